#include "base/string_list.h"

#include <algorithm>

#include "base/exception.h"
#include "base/text.h"

namespace hotfix {

StringList::StringList(bool sorted, Duplicates duplicates)
    : sorted_(sorted), duplicates_(duplicates) {}

StringList StringList::Clone() const {
  StringList copy(sorted_, duplicates_);
  copy.case_sensitive_ = case_sensitive_;
  for (const auto& item : items_) copy.items_.push_back(Item{item.text, nullptr});
  return copy;
}

size_t StringList::Checked(int index) const {
  if (index < 0 || index >= Count()) {
    throw Exception("Índice de lista fuera de rango (" + std::to_string(index) + ")");
  }
  return static_cast<size_t>(index);
}

int StringList::Compare(std::string_view a, std::string_view b) const {
  if (case_sensitive_) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return CompareText(a, b);
}

void StringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) {
    sorted_ = true;
    Sort();
  }
  sorted_ = sorted;
}

void StringList::SetCaseSensitive(bool value) {
  if (value == case_sensitive_) return;
  case_sensitive_ = value;
  if (sorted_) Sort();
}

void StringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [this](const Item& a, const Item& b) {
    return Compare(a.text, b.text) < 0;
  });
}

bool StringList::Find(std::string_view text, int& index) const {
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = Compare(items_[static_cast<size_t>(mid)].text, text);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != Duplicates::kAccept) low = mid;
      }
    }
  }
  index = low;
  return found;
}

int StringList::InsertItem(Item item) {
  if (!sorted_) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  int index = 0;
  if (Find(item.text, index)) {
    if (duplicates_ == Duplicates::kIgnore) return index;
    if (duplicates_ == Duplicates::kError) {
      throw Exception("La lista no admite duplicados (" + item.text + ")");
    }
  }
  items_.insert(items_.begin() + index, std::move(item));
  return index;
}

int StringList::Add(std::string text) { return InsertItem(Item{std::move(text), nullptr}); }

int StringList::AddObject(std::string text, std::unique_ptr<ListObject> object) {
  return InsertItem(Item{std::move(text), std::move(object)});
}

void StringList::Insert(int index, std::string text) {
  if (sorted_) throw Exception("No se puede insertar en una lista ordenada");
  if (index < 0 || index > Count()) Checked(index);
  items_.insert(items_.begin() + index, Item{std::move(text), nullptr});
}

void StringList::Set(int index, std::string text) {
  if (sorted_) throw Exception("No se puede modificar una lista ordenada");
  items_[Checked(index)].text = std::move(text);
}

void StringList::Delete(int index) { items_.erase(items_.begin() + static_cast<long>(Checked(index))); }

void StringList::Clear() { items_.clear(); }

void StringList::AddStrings(const StringList& other) {
  for (const auto& item : other.items_) Add(item.text);
}

void StringList::AddStrings(const std::vector<std::string>& lines) {
  for (const auto& line : lines) Add(line);
}

int StringList::IndexOf(std::string_view text) const {
  if (sorted_) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(items_[static_cast<size_t>(i)].text, text) == 0) return i;
  }
  return -1;
}

void StringList::SetObject(int index, std::unique_ptr<ListObject> object) {
  items_[Checked(index)].object = std::move(object);
}

std::string StringList::Name(int index) const {
  const std::string& line = (*this)[index];
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string StringList::ValueFromIndex(int index) const {
  const std::string& line = (*this)[index];
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

int StringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = items_[static_cast<size_t>(i)].text;
    const size_t eq = line.find('=');
    if (eq != std::string::npos && Compare(std::string_view(line).substr(0, eq), name) == 0) {
      return i;
    }
  }
  return -1;
}

std::string StringList::Value(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void StringList::SetValue(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  std::string line = std::string(name) + "=" + std::string(value);
  if (value.empty()) {
    if (index >= 0) Delete(index);
  } else if (index < 0) {
    Add(std::move(line));
  } else if (sorted_) {
    Delete(index);
    Add(std::move(line));
  } else {
    items_[static_cast<size_t>(index)].text = std::move(line);
  }
}

std::string StringList::Text() const {
  std::string out;
  for (const auto& item : items_) {
    out.append(item.text);
    out.append("\r\n");
  }
  return out;
}

void StringList::SetText(std::string_view text) {
  Clear();
  for (auto& line : SplitLines(text)) Add(std::move(line));
}

std::string StringList::CommaText() const {
  if (items_.size() == 1 && items_[0].text.empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < items_.size(); ++i) {
    const std::string& item = items_[i].text;
    const bool needs_quotes = std::any_of(item.begin(), item.end(), [](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
    });
    if (i > 0) out.push_back(',');
    if (needs_quotes) {
      out.push_back('"');
      out.append(ReplaceAll(item, "\"", "\"\""));
      out.push_back('"');
    } else {
      out.append(item);
    }
  }
  return out;
}

void StringList::SetCommaText(std::string_view text) {
  Clear();
  auto is_blank = [](char c) { return c >= 1 && c <= ' '; };
  text = text.substr(0, text.find('\0'));  // the text ends at a NUL, as in Windows
  size_t p = 0;
  const size_t n = text.size();
  while (p < n && is_blank(text[p])) ++p;
  while (p < n) {
    std::string item;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item.push_back('"');
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item.push_back(text[p++]);
      }
    } else {
      const size_t start = p;
      while (p < n && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    Add(std::move(item));
    while (p < n && is_blank(text[p])) ++p;
    if (p < n && text[p] == ',') {
      if (p + 1 == n) Add(std::string());
      do {
        ++p;
      } while (p < n && is_blank(text[p]));
    }
  }
}

std::vector<std::string> StringList::ToVector() const {
  std::vector<std::string> out;
  out.reserve(items_.size());
  for (const auto& item : items_) out.push_back(item.text);
  return out;
}

}  // namespace hotfix
