#include "controls/vxClasses.h"
#include "controls/vxDataConsts.h"
#include "controls/vxEditConsts.h"

#include "platform/rtl/SysExceptions.h"

#include <gtest/gtest.h>

namespace {

// Drops any translation a test registered, whatever the outcome.
struct TTranslationGuard {
  ~TTranslationGuard() { vxClearResourceStringTranslations(); }
};

struct TTextCase {
  unsigned Id;
  const char* Text;
};

const TTextCase kTexts[] = {
    {65072, "Hexadecimal number expected but '%s' found"},
    {65073, "Missing '%s'"},
    {65074, "Unnecessary '%s'"},
    {65075, "The space character is not allowed after '\\'"},
    {65076, "Regular expression is not compiled"},
    {65077, "Incorrect parameter quantifier"},
    {65078, "The parameter quantifier cannot be applied here"},
    {65079, "Regular expression errors:"},
    {65080, "The edit value is invalid"},
    {65088, "TextEdit|Represents a single line text editor"},
    {65089, "Line"},
    {65090, "Char"},
    {65091, "The source stream is not assigned"},
    {65092, "The source stream is empty"},
    {65093, "The '+' quantifier cannot be applied here"},
    {65094, "The '*' quantifier cannot be applied here"},
    {65095, "The alternative should not be empty"},
    {65096, "The block should not be empty"},
    {65097, "Illegal '%s'"},
    {65098, "Illegal quantifier '%s'"},
    {65099, "Illegal integer value"},
    {65100, "Too big reference number"},
    {65101, "Can't create empty enumeration"},
    {65102, "The starting character of the subrange must be less than the finishing one"},
    {65103, "Hexadecimal number expected"},
    {65104, "Saturday"},
    {65105, "first"},
    {65106, "second"},
    {65107, "third"},
    {65108, "fourth"},
    {65109, "fifth"},
    {65110, "sixth"},
    {65111, "seventh"},
    {65112, "bom"},
    {65113, "eom"},
    {65114, "now"},
    {65115, "Error"},
    {65116, "CalcEdit|Represents an edit control with a dropdown calculator window"},
    {65117, "ComboBox|Represents the combo box editor"},
    {65118, "MaskEdit|Represents a generic masked edit control."},
    {65119, "PopupEdit|Represents an edit control with a dropdown list"},
    {65120, "Stream read error"},
    {65121, "Stream write error"},
    {65122, "The repository item is not acceptable"},
    {65123, "Could not convert to numeric value"},
    {65124, "Circular referencing is not allowed"},
    {65125, "Invalid input value. Use escape key to abandon changes"},
    {65126, "Value out of bounds"},
    {65127, "today"},
    {65128, "yesterday"},
    {65129, "tomorrow"},
    {65130, "Sunday"},
    {65131, "Monday"},
    {65132, "Tuesday"},
    {65133, "Wednesday"},
    {65134, "Thursday"},
    {65135, "Friday"},
};

}  // namespace

TEST(vxEditConsts, EveryTextLoadsByIdUntranslated) {
  ASSERT_FALSE(vxHasResourceStringTranslations());
  for (const auto& c : kTexts) EXPECT_EQ(vxLoadResourceString(c.Id), AnsiString(c.Text)) << c.Id;
  // The named ids are the table's.
  EXPECT_EQ(vxLoadResourceString(scxDateNow), AnsiString("now"));
  EXPECT_EQ(vxLoadResourceString(scxStreamWriteError), AnsiString("Stream write error"));
  EXPECT_EQ(vxLoadResourceString(scxCalcError), AnsiString("Error"));
}

TEST(vxEditConsts, EveryTextGoesThroughTheTranslationEachTime) {
  TTranslationGuard guard;
  for (const auto& c : kTexts)
    vxAddResourceStringTranslation(c.Text, AnsiString("訳:") + c.Text);
  for (const auto& c : kTexts)
    EXPECT_EQ(vxLoadResourceString(c.Id), AnsiString("訳:") + c.Text) << c.Id;
  vxClearResourceStringTranslations();
  // Nothing was cached: the originals come back at once.
  EXPECT_EQ(vxLoadResourceString(scxRegExprLine), AnsiString("Line"));
}

TEST(vxEditConsts, ArgumentFillsPercentS) {
  EXPECT_EQ(vxFormatResourceString(scxRegExprMissing, ")"), AnsiString("Missing ')'"));
  EXPECT_EQ(vxFormatResourceString(scxRegExprIllegalQuantifier, "表"),
            AnsiString("Illegal quantifier '表'"));
  TTranslationGuard guard;
  // A translation with stray directives must not read arguments that are not there.
  vxAddResourceStringTranslation("Missing '%s'", "'%s' がありません %d %% %n");
  EXPECT_EQ(vxFormatResourceString(scxRegExprMissing, "]"), AnsiString("']' がありません %d % %n"));
}

TEST(vxClasses, TranslationLookup) {
  EXPECT_EQ(vxGetResourceString("Line"), AnsiString("Line"));  // no lists: unchanged
  TTranslationGuard guard;
  vxAddResourceStringTranslation("Line", "行");
  vxAddResourceStringTranslation("LINE", "二番目");
  EXPECT_EQ(vxGetResourceString("line"), AnsiString("行"));  // case ignored, first match
  EXPECT_EQ(vxGetResourceString("Char"), AnsiString("Char"));
  EXPECT_EQ(vxLoadResourceString(scxRegExprLine), AnsiString("行"));
}

TEST(vxClasses, MidPointRoundsTowardMinusInfinity) {
  struct {
    int A, B, Mid;
  } cases[] = {{3, 4, 3}, {-3, -4, -4}, {-1, 0, -1}, {0, 1, 0}, {-5, 5, 0}, {2, 2, 2},
               {-7, 0, -4}, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}, {-0x7FFFFFFF - 1, -1, -0x40000001}};
  for (auto c : cases) EXPECT_EQ(vxMidPoint(c.A, c.B), c.Mid) << c.A << " " << c.B;
}

namespace {

const TvxClassInfo kClassA{"TEditA"};
const TvxClassInfo kClassB{"TEditB"};
const TvxClassInfo kClassC{"TEditC"};

}  // namespace

TEST(vxClasses, RegisteredClassesKeepTheFirstDescription) {
  TvxRegisteredClasses list;
  list.Register(&kClassA, "First|hint");
  list.Register(&kClassA, "Second");
  list.Register(nullptr, "none");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Descriptions(0), AnsiString("First"));
  EXPECT_EQ(list.Texts(0), AnsiString("First|hint"));
  EXPECT_EQ(list.IndexOf(&kClassB), -1);
  EXPECT_EQ(list.FindByClassName("teditA"), &kClassA);
  EXPECT_EQ(list.FindByDescription("FIRST"), &kClassA);
  EXPECT_THROW(list.Items(1), EListError);
  EXPECT_EQ(vxFindStreamingClass("TEditA"), nullptr);  // not asked to register for streaming
}

TEST(vxClasses, SortedByDescriptionIgnoringCaseAndHint) {
  TvxRegisteredClasses list(true);
  list.Register(&kClassA, "b|x");
  list.Register(&kClassB, "A");
  EXPECT_EQ(list.Items(0), &kClassA);  // unsorted: registration order
  list.SetSorted(true);
  EXPECT_EQ(list.Items(0), &kClassB);
  EXPECT_EQ(list.Items(1), &kClassA);
  list.Register(&kClassC, "a|zzz");  // sorted lists stay sorted; equal descriptions keep order
  EXPECT_EQ(list.Descriptions(0), AnsiString("A"));
  EXPECT_EQ(list.Descriptions(1), AnsiString("a"));
  EXPECT_EQ(list.Descriptions(2), AnsiString("b"));
  EXPECT_EQ(vxFindStreamingClass("TEditC"), &kClassC);
  list.Unregister(&kClassB);
  EXPECT_EQ(list.Count(), 2);
}

TEST(vxClasses, ObjectLinksClearWhenTheComponentDies) {
  ASSERT_EQ(vxObjectLinkController(), nullptr);
  auto* comp = new TvxComponent(nullptr);
  TObject other;
  TvxObjectLink* a = vxAddObjectLink(comp);
  TvxObjectLink* b = vxAddObjectLink(comp);
  TvxObjectLink* c = vxAddObjectLink(&other);
  ASSERT_NE(vxObjectLinkController(), nullptr);
  EXPECT_EQ(vxObjectLinkController()->LinkCount(), 3);
  delete comp;
  EXPECT_EQ(a->Object(), nullptr);
  EXPECT_EQ(b->Object(), nullptr);
  EXPECT_EQ(c->Object(), &other);
  EXPECT_EQ(vxObjectLinkController()->LinkCount(), 1);
  vxRemoveObjectLink(a);
  vxRemoveObjectLink(c);
  EXPECT_EQ(vxObjectLinkController()->LinkCount(), 0);
  vxRemoveObjectLink(b);
  EXPECT_EQ(vxObjectLinkController(), nullptr);  // freed with its last use
  // An owned component dies with its owner; its link is cleared too.
  auto* owner = new TComponent(nullptr);
  auto* child = new TvxComponent(owner);
  {
    TvxObjectLinkHolder holder(child);
    EXPECT_EQ(holder.Object(), child);
    delete owner;
    EXPECT_EQ(holder.Object(), nullptr);
  }
  EXPECT_EQ(vxObjectLinkController(), nullptr);
}

TEST(vxClasses, FreeNotificatorReportsRemovedSenders) {
  std::vector<TComponent*> heard;
  TvxFreeNotificator notificator(nullptr);
  notificator.OnFreeNotification = [&](TComponent* c) { heard.push_back(c); };
  auto* a = new TComponent(nullptr);
  auto* b = new TComponent(nullptr);
  notificator.AddSender(a);
  notificator.AddSender(b);
  notificator.AddSender(nullptr);
  notificator.RemoveSender(b);
  notificator.RemoveSender(nullptr);
  delete a;
  delete b;
  EXPECT_EQ(heard, (std::vector<TComponent*>{a}));
}

TEST(vxClasses, PersistentOwner) {
  TvxComponent owner(nullptr);
  TvxInterfacedPersistent p(&owner);
  EXPECT_EQ(vxGetOwner(&p), &owner);
  EXPECT_EQ(vxGetOwner(nullptr), nullptr);
}

TEST(vxClasses, DesignTimeLinksAfterLoading) {
  struct TLinked : TvxComponent {
    using TvxComponent::TvxComponent;
    std::vector<TComponent*> Links;
    void GetFakeComponentLinks(std::vector<TComponent*>& links) override { links = Links; }
  };
  TComponent owner(nullptr);
  auto* x = new TComponent(&owner);
  auto* linked = new TLinked(&owner);
  linked->Links = {x, x, x, x};
  linked->BeginLoading();
  linked->EndLoading();
  EXPECT_EQ(linked->FakeComponentLink(0), nullptr);  // not designing: nothing kept
  owner.SetDesigning(true);
  linked->BeginLoading();
  linked->EndLoading();
  EXPECT_EQ(linked->FakeComponentLink(2), x);
  EXPECT_EQ(linked->FakeComponentLink(3), nullptr);
}
