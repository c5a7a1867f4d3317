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

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

class StartLocation : public HostileTest {};

// Started from its own read-only directory (also its working directory):
// it runs, changes its setting, and writes nothing beside itself.
TEST_F(StartLocation, ReadOnlyDirectory) {
  std::string dir = CopyProgramTo("torva read only");
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_READONLY);
  std::vector<std::string> before = FilesIn(dir);
  Start(dir + "\\TORVA.EXE", dir);
  EXPECT_FALSE(SoundDialog(IDC_SOUND_ON));
  ExpectStillCalculates();
  torva.Kill();
  EXPECT_EQ(FilesIn(dir), before) << "the program wrote beside itself";
  EXPECT_NE(th::ReadSettings().find("Sound=1"), std::string::npos) << th::ReadSettings();
  SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Spaces in every part of the path: Help must open the viewer on the file
// beside the program instead of reporting a help error.
TEST_F(StartLocation, PathWithSpacesFindsItsHelp) {
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
