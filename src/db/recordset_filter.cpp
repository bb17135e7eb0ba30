#include "db/recordset_filter.h"

#include <cctype>

#include "base/format.h"
#include "base/text.h"

namespace hotfix {
namespace {

constexpr int kMaxNesting = 100;

enum class TokenKind { kEnd, kOpen, kClose, kName, kText, kDate, kNumber, kOperator, kWord };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // name, literal text, operator or word as written
  size_t position = 0;
};

enum class Op { kEqual, kNotEqual, kLess, kGreater, kLessEqual, kGreaterEqual, kLike };

class Lexer {
 public:
  Lexer(std::string_view text, std::string_view whole) : text_(text), whole_(whole) {}

  Token Next() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    Token token;
    token.position = pos_ + 1;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    if (c == '(' || c == ')') {
      token.kind = c == '(' ? TokenKind::kOpen : TokenKind::kClose;
      token.text = std::string(1, c);
      ++pos_;
    } else if (c == '[') {
      const size_t end = text_.find(']', pos_ + 1);
      if (end == std::string_view::npos) Fail("falta el corchete de cierre de un nombre de campo");
      token.kind = TokenKind::kName;
      token.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
    } else if (c == '\'') {
      token.kind = TokenKind::kText;
      ++pos_;
      for (;;) {
        if (pos_ >= text_.size()) Fail("falta la comilla de cierre de un texto");
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            token.text.push_back('\'');
            pos_ += 2;
            continue;
          }
          ++pos_;
          break;
        }
        token.text.push_back(text_[pos_++]);
      }
    } else if (c == '#') {
      const size_t end = text_.find('#', pos_ + 1);
      if (end == std::string_view::npos) Fail("falta el # de cierre de una fecha");
      token.kind = TokenKind::kDate;
      token.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
    } else if (c == '=' || c == '<' || c == '>') {
      token.kind = TokenKind::kOperator;
      token.text = std::string(1, c);
      ++pos_;
      if (pos_ < text_.size() && c == '<' && (text_[pos_] == '>' || text_[pos_] == '=')) {
        token.text.push_back(text_[pos_++]);
      } else if (pos_ < text_.size() && c == '>' && text_[pos_] == '=') {
        token.text.push_back(text_[pos_++]);
      }
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      token.kind = TokenKind::kNumber;
      const size_t start = pos_;
      ++pos_;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
              ((text_[pos_] == '-' || text_[pos_] == '+') &&
               (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E')))) {
        ++pos_;
      }
      token.text = std::string(text_.substr(start, pos_ - start));
    } else if (IsWordChar(c)) {
      token.kind = TokenKind::kWord;
      const size_t start = pos_;
      while (pos_ < text_.size() && (IsWordChar(text_[pos_]) ||
                                     std::isdigit(static_cast<unsigned char>(text_[pos_])))) {
        ++pos_;
      }
      token.text = std::string(text_.substr(start, pos_ - start));
    } else {
      Fail(Format("el carácter «%s» en la posición %d no se esperaba", std::string(1, c),
                  static_cast<int>(pos_ + 1)));
    }
    return token;
  }

  [[noreturn]] void Fail(const std::string& detail) const {
    throw ERecordsetError(Format("El filtro «%s» no es válido: %s.", whole_, detail));
  }

 private:
  static bool IsWordChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || u >= 0x80;
  }

  std::string_view text_;
  std::string_view whole_;
  size_t pos_ = 0;
};

class AndNode : public FilterExpression {
 public:
  AndNode(std::unique_ptr<FilterExpression> left, std::unique_ptr<FilterExpression> right)
      : left_(std::move(left)), right_(std::move(right)) {}
  bool Matches(const std::vector<FieldValue>& row) const override {
    return left_->Matches(row) && right_->Matches(row);
  }

 private:
  std::unique_ptr<FilterExpression> left_, right_;
};

class OrNode : public FilterExpression {
 public:
  OrNode(std::unique_ptr<FilterExpression> left, std::unique_ptr<FilterExpression> right)
      : left_(std::move(left)), right_(std::move(right)) {}
  bool Matches(const std::vector<FieldValue>& row) const override {
    return left_->Matches(row) || right_->Matches(row);
  }

 private:
  std::unique_ptr<FilterExpression> left_, right_;
};

class NullTest : public FilterExpression {
 public:
  NullTest(size_t field, bool is_null) : field_(field), is_null_(is_null) {}
  bool Matches(const std::vector<FieldValue>& row) const override {
    return row[field_].IsNull() == is_null_;
  }

 private:
  size_t field_;
  bool is_null_;
};

class LikeTest : public FilterExpression {
 public:
  LikeTest(size_t field, std::string pattern) : field_(field), pattern_(std::move(pattern)) {}
  bool Matches(const std::vector<FieldValue>& row) const override {
    const FieldValue& value = row[field_];
    if (value.IsNull()) return false;
    return MatchesLikePattern(
        value.kind() == FieldValue::Kind::kText ? value.AsText() : value.ToText(), pattern_);
  }

 private:
  size_t field_;
  std::string pattern_;
};

class Comparison : public FilterExpression {
 public:
  Comparison(size_t field, Op op, FieldValue literal)
      : field_(field), op_(op), literal_(std::move(literal)) {}
  bool Matches(const std::vector<FieldValue>& row) const override {
    const FieldValue& value = row[field_];
    if (value.IsNull()) return false;
    const int order = CompareFieldValues(value, literal_);
    switch (op_) {
      case Op::kEqual: return order == 0;
      case Op::kNotEqual: return order != 0;
      case Op::kLess: return order < 0;
      case Op::kGreater: return order > 0;
      case Op::kLessEqual: return order <= 0;
      case Op::kGreaterEqual: return order >= 0;
      case Op::kLike: return false;
    }
    return false;
  }

 private:
  size_t field_;
  Op op_;
  FieldValue literal_;
};

class Parser {
 public:
  Parser(std::string_view text, const std::vector<Field>& fields)
      : lexer_(text, text), fields_(fields) {
    Advance();
  }

  std::unique_ptr<FilterExpression> ParseAll() {
    std::unique_ptr<FilterExpression> expression = ParseOr(0);
    if (current_.kind == TokenKind::kClose) {
      lexer_.Fail(Format("sobra un paréntesis de cierre en la posición %d",
                         static_cast<int>(current_.position)));
    }
    if (current_.kind != TokenKind::kEnd) {
      lexer_.Fail(Format("se esperaba AND u OR en la posición %d y se encontró «%s»",
                         static_cast<int>(current_.position), current_.text));
    }
    return expression;
  }

 private:
  void Advance() { current_ = lexer_.Next(); }

  bool AtWord(const char* word) const {
    return current_.kind == TokenKind::kWord && SameText(current_.text, word);
  }

  std::unique_ptr<FilterExpression> ParseOr(int depth) {
    std::unique_ptr<FilterExpression> left = ParseAnd(depth);
    while (AtWord("OR")) {
      Advance();
      left = std::make_unique<OrNode>(std::move(left), ParseAnd(depth));
    }
    return left;
  }

  std::unique_ptr<FilterExpression> ParseAnd(int depth) {
    std::unique_ptr<FilterExpression> left = ParsePrimary(depth);
    while (AtWord("AND")) {
      Advance();
      left = std::make_unique<AndNode>(std::move(left), ParsePrimary(depth));
    }
    return left;
  }

  std::unique_ptr<FilterExpression> ParsePrimary(int depth) {
    if (current_.kind == TokenKind::kOpen) {
      if (depth >= kMaxNesting) lexer_.Fail("hay demasiados paréntesis anidados");
      const size_t open_position = current_.position;
      Advance();
      std::unique_ptr<FilterExpression> inner = ParseOr(depth + 1);
      if (current_.kind != TokenKind::kClose) {
        lexer_.Fail(Format("falta cerrar el paréntesis abierto en la posición %d",
                           static_cast<int>(open_position)));
      }
      Advance();
      return inner;
    }
    return ParseComparison();
  }

  std::unique_ptr<FilterExpression> ParseComparison() {
    if (current_.kind != TokenKind::kName && current_.kind != TokenKind::kWord) {
      if (current_.kind == TokenKind::kEnd) lexer_.Fail("falta una comparación al final");
      lexer_.Fail(Format("se esperaba el nombre de un campo en la posición %d y se encontró «%s»",
                         static_cast<int>(current_.position), current_.text));
    }
    const std::string name = current_.text;
    int index = -1;
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (SameText(fields_[i].name, name)) {
        index = static_cast<int>(i);
        break;
      }
    }
    if (index < 0) lexer_.Fail(Format("el campo «%s» no existe", name));
    const Field& field = fields_[static_cast<size_t>(index)];
    Advance();

    Op op;
    if (AtWord("LIKE")) {
      op = Op::kLike;
    } else if (current_.kind == TokenKind::kOperator) {
      const std::string& o = current_.text;
      op = o == "=" ? Op::kEqual : o == "<>" ? Op::kNotEqual : o == "<" ? Op::kLess
         : o == ">" ? Op::kGreater : o == "<=" ? Op::kLessEqual : Op::kGreaterEqual;
    } else {
      lexer_.Fail(Format("falta el operador de comparación después del campo «%s»", name));
    }
    Advance();

    const Token value = current_;
    if (value.kind == TokenKind::kEnd) {
      lexer_.Fail(Format("falta el valor con el que se compara el campo «%s»", name));
    }
    Advance();
    const size_t column = static_cast<size_t>(index);

    if (value.kind == TokenKind::kWord && SameText(value.text, "NULL")) {
      if (op != Op::kEqual && op != Op::kNotEqual) {
        lexer_.Fail("Null solo se puede comparar con = o <>");
      }
      return std::make_unique<NullTest>(column, op == Op::kEqual);
    }
    if (IsBinaryType(field.type) || field.type == DataTypeEnum::adEmpty) {
      lexer_.Fail(Format("no se puede filtrar por el campo «%s» de tipo %s", name,
                         DataTypeName(field.type)));
    }
    if (op == Op::kLike) {
      if (!IsTextType(field.type)) {
        lexer_.Fail(Format("LIKE solo se puede usar con campos de texto y «%s» es de tipo %s", name,
                           DataTypeName(field.type)));
      }
      if (value.kind != TokenKind::kText) lexer_.Fail("LIKE necesita un texto entre comillas");
      return std::make_unique<LikeTest>(column, value.text);
    }
    return std::make_unique<Comparison>(column, op, Literal(field, value));
  }

  // The literal converted to the kind of value the field holds.
  FieldValue Literal(const Field& field, const Token& value) {
    const bool is_true = value.kind == TokenKind::kWord && SameText(value.text, "TRUE");
    const bool is_false = value.kind == TokenKind::kWord && SameText(value.text, "FALSE");
    if (value.kind != TokenKind::kText && value.kind != TokenKind::kNumber &&
        value.kind != TokenKind::kDate && !is_true && !is_false) {
      lexer_.Fail(Format("el valor «%s» de la posición %d no es un texto entre comillas, un "
                         "número ni una fecha",
                         value.text, static_cast<int>(value.position)));
    }
    if (IsTextType(field.type)) {
      return FieldValue::Text(is_true ? "True" : is_false ? "False" : value.text);
    }
    const bool fits = (is_true || is_false)
                          ? field.type == DataTypeEnum::adBoolean || IsNumericType(field.type)
                          : value.kind != TokenKind::kDate || IsDateType(field.type);
    std::optional<FieldValue> converted;
    if (fits) converted = Convert(field, value, is_true, is_false);
    if (!converted) {
      const std::string shown = value.kind == TokenKind::kDate ? "#" + value.text + "#"
                                : value.kind == TokenKind::kText ? "'" + value.text + "'"
                                                                 : value.text;
      lexer_.Fail(Format("el valor %s no sirve para el campo «%s» de tipo %s", shown, field.name,
                         DataTypeName(field.type)));
    }
    return *converted;
  }

  static std::optional<FieldValue> Convert(const Field& field, const Token& value, bool is_true,
                                           bool is_false) {
    if (is_true || is_false) {
      if (field.type == DataTypeEnum::adBoolean) return FieldValue::Boolean(is_true);
      return FieldValue::Integer(is_true ? -1 : 0);
    }
    const std::optional<Decimal> number =
        value.kind == TokenKind::kDate ? std::nullopt : Decimal::Parse(TrimView(value.text));
    if (IsNumericType(field.type)) {
      // Compared with the number as written, whatever the field's range.
      if (number) return FieldValue::FromDecimal(*number);
      try {
        return ParseForField(MakeField(field.name, DataTypeEnum::adDouble), value.text);
      } catch (const ERecordsetError&) {
        return std::nullopt;
      }
    }
    if (field.type == DataTypeEnum::adBoolean && value.kind == TokenKind::kNumber) {
      if (!number) return std::nullopt;
      return FieldValue::Boolean(!number->IsZero());
    }
    if (IsDateType(field.type) && value.kind == TokenKind::kNumber) {
      if (!number) return std::nullopt;
      const std::optional<Timestamp> date = Timestamp::FromSerial(number->ToDouble());
      if (!date) return std::nullopt;
      return FieldValue::FromTimestamp(*date);
    }
    Field lenient = field;
    lenient.nullable = true;
    try {
      return ParseForField(lenient, value.text);
    } catch (const ERecordsetError&) {
      return std::nullopt;
    }
  }

  Lexer lexer_;
  const std::vector<Field>& fields_;
  Token current_;
};

}  // namespace

std::unique_ptr<FilterExpression> ParseFilter(std::string_view text,
                                              const std::vector<Field>& fields) {
  return Parser(text, fields).ParseAll();
}

bool MatchesLikePattern(std::string_view text, std::string_view pattern) {
  const std::string t = AnsiUpperCase(text);
  const std::string p = AnsiUpperCase(pattern);
  size_t ti = 0, pi = 0;
  size_t star = std::string::npos, mark = 0;
  while (ti < t.size()) {
    if (pi < p.size() && (p[pi] == '*' || p[pi] == '%')) {
      star = pi++;
      mark = ti;
    } else if (pi < p.size() && p[pi] == t[ti]) {
      ++pi;
      ++ti;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ti = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && (p[pi] == '*' || p[pi] == '%')) ++pi;
  return pi == p.size();
}

}  // namespace hotfix
