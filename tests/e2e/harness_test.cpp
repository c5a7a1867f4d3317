// Checks of the harness itself where a wrong answer would make the
// program's tests meaningless: icon recognition, clipboard handling and
// unwritable files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "torva_harness.h"

namespace th = torva_harness;

namespace {

// Shows a message box of this process from a worker thread.
struct OwnBox {
  explicit OwnBox(UINT boxFlags) : flags(boxFlags) {
    thread = CreateThread(nullptr, 0, Show, this, 0, nullptr);
  }
  ~OwnBox() {
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
  }
  static DWORD WINAPI Show(void* self) {
    auto* box = static_cast<OwnBox*>(self);
    MessageBoxA(nullptr, "harness check", "harness", box->flags);
    return 0;
  }
  UINT flags;
  HANDLE thread;
};

void ExpectIcon(UINT flags, th::BoxIcon expected) {
  OwnBox box(flags);
  HWND dialog = th::WaitForDialog(GetCurrentProcessId());
  ASSERT_NE(dialog, nullptr) << "own message box did not appear";
  EXPECT_EQ(th::ReadBox(dialog).text, "harness check");
  EXPECT_STREQ(th::BoxIconName(th::ReadBoxIcon(dialog)), th::BoxIconName(expected));
  ASSERT_TRUE(th::ClickButton(dialog, IDOK));
  EXPECT_TRUE(th::WaitForWindowGone(dialog));
}

}  // namespace

TEST(Harness, RecognisesMessageBoxIcons) {
  ExpectIcon(MB_OK | MB_ICONEXCLAMATION, th::BoxIcon::kExclamation);
  ExpectIcon(MB_OK | MB_ICONINFORMATION, th::BoxIcon::kInformation);
  ExpectIcon(MB_OK | MB_ICONHAND, th::BoxIcon::kOther);
  ExpectIcon(MB_OK, th::BoxIcon::kNone);
}

TEST(Harness, ClipboardRoundTrips) {
  ASSERT_TRUE(th::SetClipboardText("12.5"));
  std::string text;
  ASSERT_TRUE(th::GetClipboardText(&text));
  EXPECT_EQ(text, "12.5");

  ASSERT_TRUE(th::SetClipboardPictureOnly());
  EXPECT_FALSE(th::GetClipboardText(&text)) << "a picture-only clipboard offered text: " << text;

  size_t size = 0;
  ASSERT_TRUE(th::SetClipboardUnterminated(3, '7', &size));
  EXPECT_GE(size, 3u);
}

TEST(Harness, ClipboardHolderLocksOthersOut) {
  ASSERT_TRUE(th::SetClipboardText("kept"));
  {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    EXPECT_FALSE(th::ClipboardOpenable());
  }
  EXPECT_TRUE(th::ClipboardOpenable());
}

// The immutable flag must shut out even Wine running as root, and come
// off again, or the tests of unwritable settings prove nothing.
TEST(Harness, ImmutableFileRefusesWrites) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string path = std::string(temp) + "immutable-check.txt";
  th::SetImmutable(path, false);
  DeleteFileA(path.c_str());
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fclose(file);

  ASSERT_TRUE(th::SetImmutable(path, true));
  file = std::fopen(path.c_str(), "ab");
  EXPECT_EQ(file, nullptr) << "an immutable file was opened for writing";
  if (file) std::fclose(file);
  // Wine's DeleteFileA reports success here, but the file stays.
  DeleteFileA(path.c_str());
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES)
      << "an immutable file was deleted";

  ASSERT_TRUE(th::SetImmutable(path, false));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
