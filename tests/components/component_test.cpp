// Owners, names and class names of the components, and the line lists they
// keep their parameters in.
#include <gtest/gtest.h>

#include <vector>

#include "components/component.h"
#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "components/string_list.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

// Records the order in which components are freed.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<int>& freed, int id)
      : TComponent(owner), freed_(freed), id_(id) {}
  ~Probe() override { freed_.push_back(id_); }

 private:
  std::vector<int>& freed_;
  int id_;
};

TEST(ComponentTest, OwnerFreesOwnedComponentsNewestFirst) {
  std::vector<int> freed;
  auto* owner = new TComponent;
  new Probe(owner, freed, 1);
  auto* second = new Probe(owner, freed, 2);
  new Probe(second, freed, 21);
  new Probe(owner, freed, 3);
  ASSERT_EQ(owner->ComponentCount(), 3);
  delete owner;
  // A component's own destructor runs before it frees what it owns.
  EXPECT_EQ(freed, (std::vector<int>{3, 2, 21, 1}));
}

TEST(ComponentTest, FreeingAComponentTakesItOutOfItsOwner) {
  std::vector<int> freed;
  TComponent owner;
  auto* child = new Probe(&owner, freed, 1);
  child->SetName("Child");
  delete child;
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(owner.FindComponent("Child"), nullptr);
  EXPECT_EQ(freed, std::vector<int>{1});
}

TEST(ComponentTest, NamesMustBeIdentifiersUniqueAmongSiblingsIgnoringCase) {
  TComponent owner;
  auto* first = new TComponent(&owner);
  auto* second = new TComponent(&owner);
  first->SetName("GSMDatabase");
  EXPECT_EQ(first->Name(), "GSMDatabase");
  EXPECT_EQ(owner.FindComponent("gsmdatabase"), first);

  second->SetName("Other_1");
  try {
    second->SetName("gsmDATABASE");
    FAIL() << "a duplicate name was accepted";
  } catch (const EComponentError& error) {
    EXPECT_NE(error.Message().find("gsmDATABASE"), std::string::npos) << error.Message();
  }
  EXPECT_EQ(second->Name(), "Other_1");

  for (const char* bad : {"1abc", "a b", "имя", "a-b", " "}) {
    EXPECT_THROW(second->SetName(bad), EComponentError) << bad;
    EXPECT_EQ(second->Name(), "Other_1");
  }
  // Renaming to its own name in another case is no conflict; empty names
  // never are.
  first->SetName("GSMDATABASE");
  first->SetName("");
  second->SetName("");
  EXPECT_EQ(first->Name(), "");
}

TEST(ComponentTest, ComponentsWithoutOwnerOnlyCheckTheSyntax) {
  TIBDatabase a;
  TIBDatabase b;
  a.SetName("Same");
  b.SetName("Same");
  EXPECT_THROW(b.SetName("9"), EComponentError);
}

TEST(ComponentTest, ClassNamesAreThoseOfTheObjects) {
  TIBDatabase database;
  TIBTransaction transaction;
  TIBDataSet dataset;
  TComponent component;
  const TComponent* as_base[] = {&database, &transaction, &dataset, &component};
  EXPECT_STREQ(as_base[0]->ClassName(), "TIBDatabase");
  EXPECT_STREQ(as_base[1]->ClassName(), "TIBTransaction");
  EXPECT_STREQ(as_base[2]->ClassName(), "TIBDataSet");
  EXPECT_STREQ(as_base[3]->ClassName(), "TComponent");
}

TEST(StringListTest, TextJoinsWithCrLfAndSplitsAnyLineBreak) {
  TStringList list;
  list.SetText("select *\r\nfrom t\nwhere a = 1\rorder by 1");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list[2], "where a = 1");
  EXPECT_EQ(list.Text(), "select *\r\nfrom t\r\nwhere a = 1\r\norder by 1");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListTest, ValuesByNameIgnoringCase) {
  TStringList params;
  params.SetValues("user_name", "SYSDBA");
  params.SetValues("password", "a=b");
  params.SetValues("USER_NAME", "OTHER");
  EXPECT_EQ(params.Count(), 2);
  EXPECT_EQ(params.Values("User_Name"), "OTHER");
  EXPECT_EQ(params.Values("password"), "a=b");
  EXPECT_EQ(params.Values("lc_ctype"), "");
  params.SetValues("password", "");
  EXPECT_EQ(params.Count(), 1);
}

TEST(StringListTest, IndexOfIgnoresCase) {
  TStringList lines;
  lines.Assign({"read_committed", "rec_version", "nowait", "READ"});
  EXPECT_EQ(lines.IndexOf("read"), 3);
  EXPECT_EQ(lines.IndexOf("write"), -1);
}

}  // namespace
}  // namespace zelmor
