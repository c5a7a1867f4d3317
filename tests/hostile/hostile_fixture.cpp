#include "hostile_fixture.h"

#include <fstream>

namespace {

// Tests make the settings files and the user's settings folder unwritable;
// whatever happened, they must be writable again, and gone, afterwards.
bool MakeSettingsWritableAndDelete() {
  bool writable = th::SetImmutable(th::SettingsPath(), false) &&
                  th::SetImmutable(th::UserSettingsFolder(), false) &&
                  th::SetImmutable(th::UserSettingsPath(), false);
  return th::DeleteSettings() && writable;
}

}  // namespace

void HostileTest::SetUp() {
  ASSERT_FALSE(th::ProgramPath().empty()) << "pass --torva=PATH or set TORVA_EXE";
  ASSERT_TRUE(MakeSettingsWritableAndDelete()) << "cannot delete " << th::SettingsPath();
}

void HostileTest::TearDown() {
  torva.Kill();
  EXPECT_TRUE(MakeSettingsWritableAndDelete()) << "settings files left behind";
  if (appDataMoved_) {
    EXPECT_TRUE(th::MoveAppDataFolder("")) << "the application-data folder was not put back";
    appDataMoved_ = false;
  }
}

bool HostileTest::MoveAppDataTo(const std::string& folder, bool shellOnly) {
  if (folder.empty()) return true;
  appDataMoved_ = true;
  return th::MoveAppDataFolder(folder, shellOnly);
}

void HostileTest::Start(const std::string& exe, const std::string& workDir) {
  ASSERT_TRUE(torva.Start(exe, workDir)) << torva.Error();
}

std::vector<std::string> HostileTest::Commands(const std::string& codes) {
  std::vector<std::string> boxes;
  for (unsigned char code : codes) {
    hostile::Answered answered = hostile::CommandAnsweringBoxes(torva, code);
    EXPECT_FALSE(answered.timedOut) << "command " << int(code) << " did not return";
    boxes.insert(boxes.end(), answered.texts.begin(), answered.texts.end());
  }
  return boxes;
}

void HostileTest::ExpectStillCalculates() {
  ASSERT_TRUE(torva.Running());
  std::vector<std::string> before = Lines();
  EXPECT_TRUE(Commands("2\r3*").empty());
  std::vector<std::string> after = Lines();
  EXPECT_EQ(after[0], "6");
  // X went up one level (formatted there, so compared by emptiness only);
  // Y and Z, always formatted, went up unchanged.
  EXPECT_EQ(after[1].empty(), before[0].empty()) << "the stack below was disturbed";
  EXPECT_EQ(after[2], before[1]) << "the stack below was disturbed";
  EXPECT_EQ(after[3], before[2]) << "the stack below was disturbed";
}

bool HostileTest::SoundDialog(int click, th::BoxInfo* box) {
  th::AsyncSend send = torva.CommandAsync(CMD_SOUND);
  HWND dialog = torva.WaitForDialog();
  EXPECT_NE(dialog, nullptr) << "the Sound dialog did not open";
  if (!dialog) return false;
  bool enabled = SendMessageA(GetDlgItem(dialog, IDC_SOUND_ON), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (click) {
    EXPECT_TRUE(th::ClickButton(dialog, click));
  }
  EXPECT_TRUE(th::ClickButton(dialog, IDC_BOX_OK));
  EXPECT_TRUE(th::WaitForWindowGone(dialog));
  if (box) {
    HWND shown = torva.WaitForDialog();
    EXPECT_NE(shown, nullptr) << "no box after the Sound dialog";
    if (shown) {
      *box = th::ReadBox(shown);
      EXPECT_TRUE(th::ClickButton(shown, IDOK));
      EXPECT_TRUE(th::WaitForWindowGone(shown));
    }
  }
  EXPECT_TRUE(send.Wait()) << "the Sound command did not return (a box?)";
  return enabled;
}

bool WriteSettingsBytes(const std::string& bytes) {
  std::ofstream file(th::SettingsPath(), std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}
