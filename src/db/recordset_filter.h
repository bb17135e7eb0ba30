#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "db/recordset.h"

namespace hotfix {

// A parsed filter text, ready to test rows.
//
// The grammar is ADO's: comparisons `field op value` joined by AND and OR,
// with parentheses; AND binds tighter than OR. A field is a name, or any
// text in [brackets]. The operators are =, <>, <, >, <=, >= and LIKE (text
// only, with * or % standing for any run of characters). A value is a text in
// single quotes (a quote inside is doubled), a number, a date in #hashes#,
// True, False or Null (Null only with = and <>). Values are converted to the
// field's type when the text is parsed; text is compared without regard to
// case. A row whose field is Null matches only "= Null".
class FilterExpression {
 public:
  virtual ~FilterExpression() = default;
  virtual bool Matches(const std::vector<FieldValue>& row) const = 0;
};

// Raises ERecordsetError with a Spanish message naming the fault.
std::unique_ptr<FilterExpression> ParseFilter(std::string_view text,
                                              const std::vector<Field>& fields);

// LIKE's pattern match: * and % match any run of characters, case ignored.
bool MatchesLikePattern(std::string_view text, std::string_view pattern);

}  // namespace hotfix
