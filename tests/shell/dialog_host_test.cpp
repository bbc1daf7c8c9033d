#include "shell/dialogs/dialog_host.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTimer>

#include "foundation/memory_key_value_store.h"
#include "qt_test_app.h"
#include "shell/app/interface_language.h"

namespace meridiana {
namespace {

TEST(ShowDialog, AHostInASlotRemembersAMaximisedDialog) {
  MemoryKeyValueStore store;
  std::unique_ptr<DialogHost> slot;
  {
    QDialog first;
    first.resize(300, 200);
    first.move(40, 30);
    ASSERT_EQ(ShowDialog(&slot, &first, 103, "Quillary Meridiana", &store, false, nullptr), 1);
    ASSERT_TRUE(slot);
    EXPECT_EQ(first.objectName(), "dialog103");
    first.showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(slot->windowState(), DialogHost::kMaximized);
    CloseDialog(&first, 7);
    EXPECT_EQ(first.result(), 7);
  }
  // Saved: the normal rectangle, not the maximised one.
  EXPECT_EQ(
      store.Read(Hive::CurrentUser, "Software\\QUILLARY\\Quillary Meridiana\\DLGS\\103", "width"),
      "300");
  QDialog second;
  ShowDialog(&slot, &second, 103, "Quillary Meridiana", &store, false, nullptr);
  QCoreApplication::processEvents();
  EXPECT_TRUE(second.isMaximized());
  EXPECT_EQ(slot->restoreRect().width, 300);
  CloseDialog(&second, 0);
}

TEST(ShowDialog, ModalRunsToItsResultTranslatedAndHostFreedWithIt) {
  Localizer localizer;
  localizer.LoadLanguageText("<104\nE=Sunrise:\nT=Lever du soleil :\nE=Properties\nT=Propriétés\n");
  InterfaceLanguage language(&localizer, {});
  auto* dialog = new QDialog;
  dialog->setWindowTitle("Properties");
  auto* label = new QLabel("Sunrise:", dialog);
  QTimer::singleShot(0, dialog, [dialog] { CloseDialog(dialog, 5); });
  EXPECT_EQ(ShowDialog(nullptr, dialog, 104, "Quillary Meridiana", nullptr, true, &language), 5);
  EXPECT_EQ(label->text(), "Lever du soleil :");
  EXPECT_EQ(dialog->windowTitle(), "Propriétés");
  EXPECT_EQ(dialog->findChildren<DialogHost*>().size(), 1u);  // the host lives with its window
  delete dialog;
}

}  // namespace
}  // namespace meridiana
