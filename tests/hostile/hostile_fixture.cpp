#include "hostile_fixture.h"

#include <fstream>

void HostileTest::SetUp() {
  ASSERT_FALSE(th::ProgramPath().empty()) << "pass --torva=PATH or set TORVA_EXE";
  SetReadOnly(th::SettingsPath(), false);
  ASSERT_TRUE(th::DeleteSettings()) << "cannot delete " << th::SettingsPath();
}

void HostileTest::TearDown() {
  torva.Kill();
  SetReadOnly(th::SettingsPath(), false);
  th::DeleteSettings();
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

bool HostileTest::SoundDialog(int click) {
  th::AsyncSend send = torva.CommandAsync(CMD_SOUND);
  HWND dialog = torva.WaitForDialog();
  EXPECT_NE(dialog, nullptr) << "the Sound dialog did not open";
  if (!dialog) return false;
  bool enabled = SendMessageA(GetDlgItem(dialog, IDC_SOUND_ON), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (click) EXPECT_TRUE(th::ClickButton(dialog, click));
  EXPECT_TRUE(th::ClickButton(dialog, IDC_BOX_OK));
  EXPECT_TRUE(th::WaitForWindowGone(dialog));
  EXPECT_TRUE(send.Wait());
  return enabled;
}

bool WriteSettingsBytes(const std::string& bytes) {
  std::ofstream file(th::SettingsPath(), std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool SetReadOnly(const std::string& path, bool readOnly) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  attributes = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                        : (attributes & ~FILE_ATTRIBUTE_READONLY);
  return SetFileAttributesA(path.c_str(), attributes) != 0;
}
