// Which subscriptions a change concerns.
#include "doc_subscription.h"

#include <gtest/gtest.h>

namespace logic {
namespace {

const std::set<unsigned> kChangedField7 = {7};
const std::set<unsigned> kChangedField8 = {8};
const std::set<unsigned> kAddedWith7 = {0, 7};  // putProperty on a new key
const std::set<unsigned> kAddedEmpty = {0};
const std::set<unsigned> kRemoved = {};

struct MatchCase {
  const char* recordKey;
  unsigned recordField;
  const char* changedKey;
  const std::set<unsigned>* changedFields;
  bool matches;
};

TEST(DocSubscription, MatchingRules) {
  const MatchCase cases[] = {
      // Key "" sees only changes keyed "", whatever the field.
      {"", 7, "", &kChangedField8, true},
      {"", 0, "", &kRemoved, true},
      {"", AnyField, "k", &kChangedField7, false},
      {"", 7, "*", &kChangedField7, false},
      // "*" on either side matches any key, then the field decides.
      {"*", 7, "k", &kChangedField7, true},
      {"*", 7, "k", &kChangedField8, false},
      {"k", 7, "*", &kChangedField7, true},
      {"*", AnyField, "", &kChangedField8, true},
      {"k", 7, "other", &kChangedField7, false},
      {"k", 7, "K", &kChangedField7, false},
      // Field 0: only changes that touch field 0 (key creation included).
      {"k", 0, "k", &kAddedWith7, true},
      {"k", 0, "k", &kAddedEmpty, true},
      {"k", 0, "k", &kChangedField7, false},
      {"k", 0, "k", &kRemoved, false},
      // Field 0xFFFFFFFF: every change of the key.
      {"k", AnyField, "k", &kChangedField8, true},
      {"k", AnyField, "k", &kRemoved, true},
      {"k", AnyField, "k", &kAddedEmpty, true},
      // Other fields: that field, or a removal.
      {"k", 7, "k", &kChangedField7, true},
      {"k", 7, "k", &kAddedWith7, true},
      {"k", 7, "k", &kRemoved, true},
      {"k", 7, "k", &kChangedField8, false},
      {"k", 7, "k", &kAddedEmpty, false},
  };
  for (const MatchCase& c : cases) {
    DocSubscription record{nullptr, "set", c.recordKey, c.recordField, DocDelegate()};
    EXPECT_EQ(c.matches, record.matches("set", c.changedKey, *c.changedFields))
        << "record key \"" << c.recordKey << "\" field " << c.recordField << ", change key \"" << c.changedKey
        << "\" with " << c.changedFields->size() << " fields";
    // The data set name is never a wildcard.
    EXPECT_FALSE(record.matches("Set", c.changedKey, *c.changedFields));
    EXPECT_FALSE(record.matches("*", c.changedKey, *c.changedFields));
  }
}

}  // namespace
}  // namespace logic
