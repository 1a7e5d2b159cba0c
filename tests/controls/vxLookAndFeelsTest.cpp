// Look-and-feel settings: values from the master chain, the notifications a change sends
// (and those it does not), masters that go away, controllers on the root, and the
// system-palette notifiers.
#include "ControlsTestSupport.h"

#include "controls/vxLookAndFeels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records the notifications of a look-and-feel.
struct TChanges {
  explicit TChanges(TvxLookAndFeel& lf) {
    lf.OnChanged = [this](TvxLookAndFeel*, TvxLookAndFeelValues values) { Values.push_back(values); };
  }
  std::vector<int> Values;
};

}  // namespace

TEST(vxLookAndFeels, ValuesFollowTheMasterUnlessAssigned) {
  TvxLookAndFeel master(nullptr), lf(nullptr);
  EXPECT_EQ(lf.Kind(), lfUltraFlat);
  EXPECT_FALSE(lf.NativeStyle());
  lf.SetMasterLookAndFeel(&master);
  TChanges changes(lf);
  master.SetKind(lfFlat);
  EXPECT_EQ(lf.Kind(), lfFlat);
  EXPECT_EQ(changes.Values, (std::vector<int>{lfvKind}));

  // The kind it already inherits: assigned, but no notification.
  lf.SetKind(lfFlat);
  EXPECT_EQ(lf.AssignedValues(), lfvKind);
  EXPECT_EQ(changes.Values.size(), 1u);

  // A master's change of an assigned value reaches nobody.
  master.SetKind(lfStandard);
  EXPECT_EQ(lf.Kind(), lfFlat);
  EXPECT_EQ(changes.Values.size(), 1u);

  // Clearing the assigned values where the own kind differs: one notification of the kind.
  lf.SetAssignedValues(0);
  EXPECT_EQ(lf.Kind(), lfStandard);
  EXPECT_EQ(changes.Values, (std::vector<int>{lfvKind, lfvKind}));

  // An own native style: the master's native-style change comes with an empty set.
  lf.SetNativeStyle(false);
  master.SetNativeStyle(true);
  EXPECT_FALSE(lf.NativeStyle());
  EXPECT_EQ(changes.Values.size(), 2u);

  // Only values set here are stored, whatever they read.
  EXPECT_FALSE(lf.IsKindStored());
  EXPECT_TRUE(lf.IsNativeStyleStored());
  lf.SetKind(lfStandard);
  EXPECT_TRUE(lf.IsKindStored());
  lf.SetAssignedValues(lfvKind);
  EXPECT_FALSE(lf.IsNativeStyleStored());
}

TEST(vxLookAndFeels, ListenersJoinOnceAndOneLeavingMidLoopSkipsNobody) {
  TvxLookAndFeel master(nullptr);
  std::vector<std::unique_ptr<TvxLookAndFeel>> followers;
  std::vector<int> told;
  for (int i = 0; i < 3; ++i) {
    followers.push_back(std::make_unique<TvxLookAndFeel>(nullptr));
    followers.back()->SetMasterLookAndFeel(&master);
    followers.back()->OnChanged = [&, i](TvxLookAndFeel* sender, TvxLookAndFeelValues) {
      told.push_back(i);
      if (i == 0) master.RemoveChangeListener(sender);  // leaves while being told
    };
  }
  master.AddChangeListener(followers[1].get());
  EXPECT_EQ(master.ListenerCount(), 3);
  master.SetKind(lfOffice11);
  EXPECT_EQ(told, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(master.ListenerCount(), 2);
}

TEST(vxLookAndFeels, AMasterThatGoesLeavesItsFollowersWithTheRoot) {
  TvxLookAndFeel lf(nullptr);
  TChanges changes(lf);
  {
    TvxLookAndFeel master(nullptr);
    master.SetKind(lfStandard);
    lf.SetMasterLookAndFeel(&master);
    EXPECT_EQ(lf.Kind(), lfStandard);
  }
  EXPECT_EQ(lf.MasterLookAndFeel(), nullptr);
  EXPECT_EQ(lf.Kind(), lfUltraFlat);
  EXPECT_EQ(changes.Values, (std::vector<int>{lfvKind, lfvKind}));
}

TEST(vxLookAndFeels, AssignCopiesValuesAndMasterInOneNotification) {
  TvxLookAndFeel master(nullptr), source(nullptr), lf(nullptr);
  master.SetNativeStyle(true);
  source.SetMasterLookAndFeel(&master);
  source.SetKind(lfFlat);
  TChanges changes(lf);
  lf.Assign(&source);
  EXPECT_EQ(lf.MasterLookAndFeel(), &master);
  EXPECT_EQ(lf.AssignedValues(), lfvKind);
  EXPECT_EQ(lf.Kind(), lfFlat);
  EXPECT_TRUE(lf.NativeStyle());
  EXPECT_EQ(changes.Values, (std::vector<int>{lfvKind | lfvNativeStyle}));
}

TEST(vxLookAndFeels, ControllersSetTheRootUntilTheLastGoes) {
  TvxLookAndFeel* root = RootLookAndFeel();
  ASSERT_TRUE(root != nullptr && root->IsRoot());
  TvxLookAndFeel lf(nullptr);
  root->SetMasterLookAndFeel(&lf);
  EXPECT_EQ(root->MasterLookAndFeel(), nullptr) << "the root takes no master";
  {
    TvxLookAndFeelController first(nullptr);
    auto second = std::make_unique<TvxLookAndFeelController>(nullptr);
    EXPECT_EQ(vxLookAndFeelControllerCount(), 2);
    lf.AddChangeListener(&first);
    EXPECT_EQ(lf.ListenerCount(), 0) << "a controller joins only the root";
    second->SetKind(lfOffice11);
    second->SetNativeStyle(true);
    EXPECT_EQ(first.Kind(), lfOffice11);
    EXPECT_EQ(lf.Kind(), lfOffice11);
    EXPECT_TRUE(lf.NativeStyle());
    second.reset();
    EXPECT_EQ(root->Kind(), lfOffice11) << "one controller remains";
  }
  EXPECT_EQ(vxLookAndFeelControllerCount(), 0);
  EXPECT_EQ(root->AssignedValues(), 0);
  EXPECT_EQ(root->Kind(), lfUltraFlat);
  EXPECT_FALSE(lf.NativeStyle());
}

TEST(vxLookAndFeels, PaletteNotifiersPrimaryFirstThenLastCreatedFirst) {
  std::vector<int> told;
  TvxLookAndFeel lf(nullptr);
  TChanges changes(lf);
  auto ordinary1 = std::make_unique<TvxSystemPaletteChangedNotifier>();
  TvxSystemPaletteChangedNotifier primary1(true), ordinary2, primary2(true);
  ordinary1->OnSystemPaletteChanged = [&] { told.push_back(1); };
  primary1.OnSystemPaletteChanged = [&] { told.push_back(11); };
  ordinary2.OnSystemPaletteChanged = [&] {
    told.push_back(2);
    ordinary1.reset();  // the next one leaves before its turn
  };
  primary2.OnSystemPaletteChanged = [&] { told.push_back(12); };
  ASSERT_NE(vxSystemPaletteChangedListenerWindow(), nullptr);
  SendMessageA(vxSystemPaletteChangedListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(told, (std::vector<int>{12, 11, 2}));
  // A look-and-feel hears it from its own notifier, and again from the root.
  EXPECT_EQ(changes.Values, (std::vector<int>{lfvNativeStyle, lfvNativeStyle}));
}
