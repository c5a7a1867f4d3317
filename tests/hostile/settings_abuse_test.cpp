// Settings files the program did not write or cannot write: junk, huge,
// the key twice, a protected Windows directory and user folder. Start-up
// must stay quick and silent about them, and the Sound setting must behave
// as far as the files let it.
#include <random>
#include <string>

#include "hostile_fixture.h"

#include <psapi.h>  // after windows.h

namespace {

class SettingsAbuse : public HostileTest {
 protected:
  // Starts with the given settings bytes; start-up must not open a box.
  void StartWith(const std::string& bytes) {
    ASSERT_TRUE(WriteSettingsBytes(bytes));
    DWORD started = GetTickCount();
    Start();
    ASSERT_TRUE(th::Sync(torva.Window()));
    EXPECT_LT(GetTickCount() - started, th::kStepTimeout) << "start-up took too long";
    EXPECT_TRUE(torva.Dialogs().empty()) << "a box at start-up";
  }
};

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// A megabyte of random bytes: no sound, and a choice made in the dialog is
// still written and read back by the next start.
TEST_F(SettingsAbuse, MegabyteOfJunkReadsAsSilent) {
  StartWith(RandomBytes(1 << 20, 11));
  EXPECT_FALSE(SoundDialog(IDC_SOUND_ON));
  EXPECT_TRUE(SoundDialog()) << "the choice was not kept for this run";
  torva.Kill();
  Start();
  EXPECT_TRUE(SoundDialog(IDC_SOUND_OFF)) << "the choice was not stored in the junk file";
  ExpectStillCalculates();
}

// The key at the end of a megabyte of other sections is found.
TEST_F(SettingsAbuse, KeyAfterAMegabyteOfOtherSections) {
  std::string file;
  for (int i = 0; file.size() < (1u << 20); ++i)
    file += "[OTHER" + std::to_string(i) + "]\r\nSound=0\r\nName=" + std::string(40, 'x') + "\r\n";
  file += "[TORVA]\r\nSound=1\r\n";
  StartWith(file);
  EXPECT_TRUE(SoundDialog(IDC_SOUND_OFF));
  ExpectStillCalculates();
}

// The Windows directory refuses the change, as it does for a standard user
// on current Windows: no box, the choice goes to a per-user copy that the
// next starts read and later changes go to. Also for a user whose name the
// ANSI code page cannot spell, whose application-data folder only the
// Unicode calls can reach, and which is where the shell says, not where an
// APPDATA variable the program inherited says.
TEST_F(SettingsAbuse, ProtectedWindowsFileLeavesTheChoiceInTheUserCopy) {
  for (const std::string& appData : {std::string(), std::string(th::kUnspellableAppData)}) {
    SCOPED_TRACE(appData.empty() ? "the usual folder" : appData);
    ASSERT_TRUE(appData.empty() || !th::AnsiCanSpell(appData)) << "code page " << GetACP();
    ASSERT_TRUE(MoveAppDataTo(appData, true));
    ASSERT_TRUE(WriteSettingsBytes("[TORVA]\r\nSound=0\r\n"));
    ASSERT_TRUE(th::SetImmutable(th::SettingsPath(), true));
    Start();
    EXPECT_FALSE(SoundDialog(IDC_SOUND_ON));
    EXPECT_EQ(th::ReadSettings(th::UserSettingsPath()), "[TORVA]\r\nSound=1\r\n");
    torva.Kill();
    Start();
    EXPECT_TRUE(SoundDialog(IDC_SOUND_OFF)) << "the choice was lost at the restart";
    torva.Kill();
    Start();
    EXPECT_FALSE(SoundDialog()) << "the second choice was lost; user copy: "
                                << th::ReadSettings(th::UserSettingsPath());
    ExpectStillCalculates();
    TearDown();
  }
}

// Whether the process has loaded the named DLL.
bool Loaded(HANDLE process, const char* dll) {
  HMODULE modules[512];
  DWORD bytes = 0;
  char name[MAX_PATH];
  if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return false;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i)
    if (GetModuleBaseNameA(process, modules[i], name, MAX_PATH) && _stricmp(name, dll) == 0) return true;
  return false;
}

// A user copy that exists but cannot be written: one that holds the key
// would shadow any other write, so the box names it and the next start
// still reads it; so does one another program holds open or locked, which
// reads as empty only while it is held. One that cannot hold a key (a
// folder of that name, a file without it) is passed over, and the
// Windows-directory file takes the choice. A copy held open as the program
// starts and let go while it waits gives its own value: the hold ends
// 150 ms after the program loads SHELL32, which it does to find the copy
// just before reading it (under Wine nothing shows the read itself).
TEST_F(SettingsAbuse, UnwritableUserCopyTakesTheChoiceOnlyIfItCouldShadowIt) {
  struct Case {
    const char* copy;  // nullptr: a folder of the copy's name
    bool held;         // held open, with no sharing, rather than immutable
    bool box;
    bool locked = false;  // immutable and locked, with sharing
    bool letGoAtStart = false;
  };
  for (const Case& c : {Case{"[TORVA]\r\nSound=0\r\n", false, true}, Case{nullptr, false, false},
                        Case{"[TORVA]\r\nVolume=1\r\n", false, false},
                        Case{"[TORVA]\r\nSound=0\r\n", true, true},
                        Case{"[TORVA]\r\nVolume=1\r\n", false, true, true},
                        Case{"[TORVA]\r\nSound=1\r\n", true, false, false, true}}) {
    SCOPED_TRACE(std::string(c.copy ? c.copy : "a folder") + (c.held ? ", held open" : "") +
                 (c.locked ? ", locked" : ""));
    ASSERT_TRUE(CreateDirectoryA(th::UserSettingsFolder().c_str(), nullptr));
    if (c.copy) {
      ASSERT_TRUE(th::WriteSettings(c.copy, th::UserSettingsPath()));
    } else {
      ASSERT_TRUE(CreateDirectoryA(th::UserSettingsPath().c_str(), nullptr));
    }
    HANDLE holder = c.held || c.locked
                        ? CreateFileW(th::Wide(th::UserSettingsPath()).c_str(), GENERIC_READ,
                                      c.held ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr)
                        : nullptr;
    ASSERT_TRUE(c.held ? holder != INVALID_HANDLE_VALUE : th::SetImmutable(th::UserSettingsPath(), true));
    OVERLAPPED everyByte = {};
    ASSERT_TRUE(!c.locked || LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &everyByte));
    ASSERT_TRUE(torva.Start("", "", !c.letGoAtStart)) << torva.Error();
    if (c.letGoAtStart) {
      ASSERT_TRUE(th::WaitUntil([&] { return Loaded(torva.Handle(), "shell32.dll"); }, th::kStepTimeout, 1));
      Sleep(150);
      CloseHandle(holder);
      holder = nullptr;
      ASSERT_TRUE(torva.WaitForWindow());
    }
    th::BoxInfo box;
    EXPECT_EQ(SoundDialog(c.letGoAtStart ? IDC_SOUND_OFF : IDC_SOUND_ON, c.box ? &box : nullptr),
              c.letGoAtStart);
    if (c.box) {
      EXPECT_EQ(box.text, "Cannot save the Sound setting in " + th::UserSettingsPath() +
                              ". The choice holds until you exit.");
    }
    if (holder) CloseHandle(holder);
    torva.Kill();
    Start();
    EXPECT_EQ(SoundDialog(), c.box == c.letGoAtStart) << "the next start did not read what was saved";
    TearDown();
  }
}

// Neither the Windows directory nor the user's settings folder takes the
// change: a message names the file, as it is, in whatever letters and
// with a "%" in it; the choice holds for this run, and the calculator goes
// on.
TEST_F(SettingsAbuse, NothingWritableNamesTheFileAndKeepsTheChoice) {
  ASSERT_TRUE(MoveAppDataTo(std::string(th::kUnspellableAppData) + " 100%s"));
  ASSERT_TRUE(WriteSettingsBytes("[TORVA]\r\nSound=0\r\n"));
  ASSERT_TRUE(CreateDirectoryW(th::Wide(th::UserSettingsFolder()).c_str(), nullptr));
  ASSERT_TRUE(th::SetImmutable(th::SettingsPath(), true));
  ASSERT_TRUE(th::SetImmutable(th::UserSettingsFolder(), true));
  Start();
  th::BoxInfo box;
  EXPECT_FALSE(SoundDialog(IDC_SOUND_ON, &box));
  EXPECT_EQ(box.caption, "TORVA NT - Error");
  EXPECT_EQ(box.text, "Cannot save the Sound setting in " + th::UserSettingsPath() +
                          ". The choice holds until you exit.");
  EXPECT_TRUE(SoundDialog()) << "the choice did not hold for this run";
  ExpectStillCalculates();
  TearDown();
  // The shell names a folder that is gone: no user copy can be made, and
  // the box names the Windows-directory file.
  ASSERT_TRUE(MoveAppDataTo("C:\\torva-users\\gone"));
  ASSERT_TRUE(RemoveDirectoryA("C:\\torva-users\\gone"));
  ASSERT_TRUE(WriteSettingsBytes("[TORVA]\r\nSound=0\r\n"));
  ASSERT_TRUE(th::SetImmutable(th::SettingsPath(), true));
  Start();
  EXPECT_FALSE(SoundDialog(IDC_SOUND_ON, &box));
  EXPECT_EQ(box.text, "Cannot save the Sound setting in " + th::SettingsPath() +
                          ". The choice holds until you exit.");
}

// The key twice: the first one counts, and a new choice replaces what the
// next start reads.
TEST_F(SettingsAbuse, KeyTwiceFirstCountsAndIsReplaced) {
  StartWith("[TORVA]\r\nSound=1\r\nSound=0\r\n");
  EXPECT_TRUE(SoundDialog(IDC_SOUND_OFF));
  torva.Kill();
  Start();
  EXPECT_FALSE(SoundDialog()) << "settings now: " << th::ReadSettings();
}

}  // namespace
