// The program started from awkward places: a directory it may not write
// to, and a path with spaces, where it must still find its help file.
#include <string>

#include "hostile_fixture.h"

namespace {

// The directory of the built program (holding TORVA.EXE and TORVA.HLP).
std::string BuiltDirectory() {
  std::string exe = th::ProgramPath();
  return exe.substr(0, exe.find_last_of("\\/"));
}

// A fresh directory under the temporary directory holding copies of the
// program and its help file.
std::string CopyProgramTo(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string dir = std::string(temp) + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  for (const char* file : {"TORVA.EXE", "TORVA.HLP"}) {
    std::string to = dir + "\\" + file;
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    CopyFileA((BuiltDirectory() + "\\" + file).c_str(), to.c_str(), FALSE);
  }
  return dir;
}

class StartLocation : public HostileTest {
 protected:
  // The directory made unwritable, cleared again however the test ends.
  void TearDown() override {
    HostileTest::TearDown();
    if (!immutable_.empty()) th::SetImmutable(immutable_, false);
  }
  bool MakeUnwritable(const std::string& dir) {
    immutable_ = dir;
    return th::SetImmutable(dir, true);
  }

 private:
  std::string immutable_;
};

// Started from its own directory (also its working directory), made truly
// unwritable: root ignores the read-only attribute, the immutable flag it
// cannot. It runs, changes its setting in the Windows directory, and needs
// to write nothing beside itself.
TEST_F(StartLocation, ReadOnlyDirectory) {
  std::string dir = CopyProgramTo("torva read only");
  ASSERT_TRUE(MakeUnwritable(dir));
  Start(dir + "\\TORVA.EXE", dir);
  EXPECT_FALSE(SoundDialog(IDC_SOUND_ON));
  ExpectStillCalculates();
  torva.Kill();
  EXPECT_NE(th::ReadSettings().find("Sound=1"), std::string::npos) << th::ReadSettings();
}

// Spaces in every part of the path: Help must open the viewer on the file
// beside the program instead of reporting a help error.
TEST_F(StartLocation, PathWithSpacesFindsItsHelp) {
  th::WindowsVersion xp("winxp");  // the last Windows with a help viewer
  ASSERT_TRUE(xp.Set());
  CopyProgramTo("torva spaced");
  std::string dir = CopyProgramTo("torva spaced\\sub dir");
  Start(dir + "\\TORVA.EXE", "C:\\");
  ExpectStillCalculates();
  // The viewer is started on the file; had the path been cut at a blank,
  // the viewer's own error box would keep the call from returning.
  size_t viewers = th::FindProcesses("winhlp32.exe").size();
  th::AsyncSend help = torva.CommandAsync(CMD_HELP);
  EXPECT_TRUE(help.Wait(20000)) << "Help did not return: the viewer did not find the file";
  EXPECT_GT(th::FindProcesses("winhlp32.exe").size(), viewers) << "no help viewer started";
  for (HWND box : torva.Dialogs()) ADD_FAILURE() << "box: " << th::ReadBox(box).text;
  hostile::AnswerBoxesUntil(torva, [&] { return help.Done(); });
  ExpectStillCalculates();
}

}  // namespace
