#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hotfix {

// Base of objects a StringList owns beside its strings.
class ListObject {
 public:
  virtual ~ListObject() = default;
};

// What a sorted list does with a string it already holds.
enum class Duplicates { kIgnore, kAccept, kError };

// The text list the system passes around: ordered strings, each with an
// optional owned object; optionally kept sorted; Name=Value lines; text with
// CR LF line breaks; comma-delimited text with double-quote quoting.
// Comparisons ignore case (Windows-1252 letters) unless told otherwise.
class StringList {
 public:
  StringList() = default;
  explicit StringList(bool sorted, Duplicates duplicates = Duplicates::kIgnore);
  StringList(StringList&&) noexcept = default;
  StringList& operator=(StringList&&) noexcept = default;
  // Copies the strings; owned objects are not shared, the copy holds none.
  StringList Clone() const;

  bool sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  Duplicates duplicates() const { return duplicates_; }
  void SetDuplicates(Duplicates duplicates) { duplicates_ = duplicates; }
  bool case_sensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool value);

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](int index) const { return items_.at(Checked(index)).text; }
  const std::string& Get(int index) const { return (*this)[index]; }
  void Set(int index, std::string text);

  // Adds (or, when sorted, inserts in order) and answers the position. A
  // sorted list ignoring duplicates answers the position of the string it holds.
  int Add(std::string text);
  int AddObject(std::string text, std::unique_ptr<ListObject> object);
  void Insert(int index, std::string text);
  void Delete(int index);
  void Clear();
  // Adds every line of another list (or vector).
  void AddStrings(const StringList& other);
  void AddStrings(const std::vector<std::string>& lines);

  int IndexOf(std::string_view text) const;
  // Binary search of a sorted list; the position where the text is or would go.
  bool Find(std::string_view text, int& index) const;
  void Sort();

  ListObject* Object(int index) const { return items_.at(Checked(index)).object.get(); }
  template <typename T>
  T* ObjectAs(int index) const {
    return dynamic_cast<T*>(Object(index));
  }
  void SetObject(int index, std::unique_ptr<ListObject> object);

  // Name=Value lines: the name is the text before the first "=", empty when
  // the line has none.
  std::string Name(int index) const;
  std::string ValueFromIndex(int index) const;
  int IndexOfName(std::string_view name) const;
  // The value of the first line with that name, or empty.
  std::string Value(std::string_view name) const;
  // Sets the value of that name, adding the line when missing; an empty value
  // removes the line.
  void SetValue(std::string_view name, std::string_view value);

  // Every string followed by CR LF.
  std::string Text() const;
  // Replaces the contents with the lines of a text (CR LF, CR or LF).
  void SetText(std::string_view text);

  // Comma-delimited text: an item holding a blank, a comma, a double quote or
  // a control character is enclosed in double quotes with inner quotes
  // doubled; a list of one empty item gives "".
  std::string CommaText() const;
  // The inverse; unquoted blanks also separate items.
  void SetCommaText(std::string_view text);

  std::vector<std::string> ToVector() const;
  auto begin() const { return StringIterator{items_.begin()}; }
  auto end() const { return StringIterator{items_.end()}; }

 private:
  struct Item {
    std::string text;
    std::unique_ptr<ListObject> object;
  };
  struct StringIterator {
    std::vector<Item>::const_iterator it;
    const std::string& operator*() const { return it->text; }
    StringIterator& operator++() {
      ++it;
      return *this;
    }
    bool operator!=(const StringIterator& other) const { return it != other.it; }
  };

  size_t Checked(int index) const;
  int Compare(std::string_view a, std::string_view b) const;
  int InsertItem(Item item);

  std::vector<Item> items_;
  bool sorted_ = false;
  Duplicates duplicates_ = Duplicates::kIgnore;
  bool case_sensitive_ = false;
};

}  // namespace hotfix
