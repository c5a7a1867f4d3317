// The real TORVA.EXE under Wine, with Wine's audio output written to a file
// (see run_with_capture.sh): which cues a key plays, in which order, and
// that nothing plays with sound off.
//
//   cue_playback_test --torva=TORVA.EXE --cues=CUEDIR --capture=FILE [gtest options]
//
// The capture is compared sample for sample with the data chunks of the
// committed cues: Wine's ALSA path passes 22050 Hz 16-bit mono samples
// through unchanged, so a sequence of cues appears as the concatenation of
// their data, except for the silence that Wine inserts when a loaded
// machine lets its buffer run dry (cue_capture.h).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "cue_capture.h"
#include "torva_harness.h"
#include "torva_ids.h"

namespace th = torva_harness;

namespace {

const char kSoundOn[] = "[TORVA]\r\nSound=1\r\n";
const char kSoundOff[] = "[TORVA]\r\nSound=0\r\n";

// Generous: under Wine a cue of 0.3 s plays in real time, and the machine
// may be loaded.
constexpr DWORD kCueTimeout = 20000;

std::string capturePath;  // Windows path of the capture file
std::string cueFolder;    // Windows path of the committed cues
std::string fakeWinmm;    // Windows path of the planted WINMM.dll
std::string fakeWinmmWithoutSound;  // ... and of one without sndPlaySoundA
std::string fakeWinmmRealTime;      // ... and of one whose cues take their length
cue_capture::CueSet cues;

std::string Capture() {
  std::string bytes;
  cue_capture::ReadFileBytes(capturePath, &bytes);
  return bytes;
}

void ClearCapture() { std::ofstream(capturePath, std::ios::binary | std::ios::trunc); }

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text.empty() ? "(nothing)" : text;
}

// The tests change the settings file of the shared Wine prefix; this puts
// back what the suite found.
class SettingsGuard : public ::testing::Environment {
 public:
  void SetUp() override {
    existed_ = th::SettingsExist();
    saved_ = th::ReadSettings();
  }
  void TearDown() override {
    if (existed_)
      th::WriteSettings(saved_);
    else
      th::DeleteSettings();
  }

 private:
  bool existed_ = false;
  std::string saved_;
};

class CuePlayback : public ::testing::Test {
 protected:
  void TearDown() override { torva_.Kill(); }

  // settings: the whole settings file, or nullptr for none.
  static void UseSettings(const char* settings) {
    if (settings) {
      ASSERT_TRUE(th::WriteSettings(settings));
    } else if (th::SettingsExist()) {
      ASSERT_TRUE(th::DeleteSettings());
    }
  }

  // Starts the program (exe "" = the built one) with an empty capture.
  void Launch(const std::string& workDir = "", const std::string& exe = "") {
    ClearCapture();
    ASSERT_TRUE(torva_.Start(exe, workDir)) << torva_.Error();
    ASSERT_TRUE(torva_.Activate());
  }

  // Real keystrokes. They are queued in order, so a test waits for what the
  // last of them shows (a display line, a box, the capture) rather than for
  // each key.
  static void Type(const std::string& text) { ASSERT_TRUE(th::TypeText(text)); }
  static void Press(WORD key, unsigned mods = th::kNoMods) {
    ASSERT_TRUE(th::PressKey(key, mods));
  }

  void ExpectX(const std::string& text) {
    EXPECT_TRUE(torva_.WaitForLine(0, text)) << "line X shows \"" << torva_.Line(0) << "\"";
  }

  // Waits until the capture holds as much sound as the cues expected so far
  // and checks that it holds exactly them.
  static void ExpectCaptured(const std::vector<std::string>& names) {
    using cue_capture::WithoutSilentSamples;
    const std::string want = cues.Concat(names);
    const size_t wantSound = WithoutSilentSamples(want).size();
    th::WaitUntil([&] { return WithoutSilentSamples(Capture()).size() >= wantSound; },
                  kCueTimeout, 20);
    const std::string got = Capture();
    size_t inserted = 0;
    EXPECT_TRUE(cue_capture::MatchesApartFromInsertedSilence(got, want, &inserted))
        << "expected " << Join(names) << " (" << want.size() << " bytes)\n captured "
        << cues.Describe(got) << " (" << got.size() << " bytes, " << inserted
        << " extra silent samples)";
    if (inserted) printf("note: the audio path inserted %u silent samples\n", unsigned(inserted));
  }

  // Closes the panel as a user would; once the process has ended, nothing
  // more can reach the capture.
  void Close() {
    PostMessageA(torva_.Window(), WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(torva_.WaitForExit(15000, &code));
    EXPECT_EQ(code, 0u);
  }

  // Waits for an error box, checks its text and answers it.
  void AnswerErrorBox(const char* text) {
    HWND box = torva_.WaitForDialog();
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(th::ReadBox(box).text, text);
    ASSERT_TRUE(th::ClickButton(box, IDOK));
    ASSERT_TRUE(th::WaitForWindowGone(box));
  }

  // Alt+o, "Enable Sound", OK: as a user switches sound on.
  void EnableSoundInDialog() {
    ASSERT_TRUE(torva_.Activate());
    Press('O', th::kAlt);
    HWND dialog = torva_.WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "Alt+o opened no dialog";
    EXPECT_EQ(th::ReadBox(dialog).caption, "Sound");
    ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_ON));
    ASSERT_TRUE(th::ClickButton(dialog, IDC_BOX_OK));
    ASSERT_TRUE(th::WaitForWindowGone(dialog));
    ASSERT_TRUE(torva_.Activate());
  }

  // Line X as the window system holds it. Reading it this way sends the
  // program no message, so it works while the program is playing a cue.
  std::string LineXNow() const {
    char text[128] = "";
    GetWindowTextA(GetDlgItem(torva_.Window(), IDC_LINE_X), text, sizeof text);
    return text;
  }

  th::TorvaProcess torva_;
};

using SoundOn = CuePlayback;
using SoundOff = CuePlayback;
using SoundDialog = CuePlayback;
using WorkingDirectory = CuePlayback;
using PlantedLibrary = CuePlayback;
using SystemLibrary = CuePlayback;

TEST_F(SoundOn, DigitPlaysExactlyItsCue) {
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("7");
  ExpectX("7");
  ExpectCaptured({"7.wav"});
  Close();
  ExpectCaptured({"7.wav"});
}

TEST_F(SoundOn, KeysThenTheResultAreSpoken) {
  const std::vector<std::string> spoken = {"2.wav", "enter.wav", "3.wav", "add.wav", "5.wav"};
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("2");
  Press(VK_RETURN);
  Type("3+");
  ExpectX("5");
  ExpectCaptured(spoken);
  Close();
  ExpectCaptured(spoken);
}

TEST_F(SoundOn, NegativeResultIsReadOutWithItsSign) {
  const std::vector<std::string> spoken = {
      "1.wav", "enter.wav", "2.wav", "div.wav", "0.wav", "point.wav", "5.wav",  // 1 / 2
      "ch_sgn.wav", "minus.wav", "0.wav", "point.wav", "5.wav"};                // Delete
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("1");
  Press(VK_RETURN);
  Type("2/");
  ExpectCaptured({spoken.begin(), spoken.begin() + 7});  // a key sooner would cut the read-out
  Press(VK_DELETE);  // change sign
  ExpectX("-0.5");
  ExpectCaptured(spoken);
  Close();
  ExpectCaptured(spoken);
}

// An operation that fails while it runs (10 to the power 400 overflows)
// has already played its own cue; the error cue follows, then the box.
TEST_F(SoundOn, FailedOperationPlaysItsCueThenTheErrorCue) {
  const std::vector<std::string> spoken = {"1.wav", "0.wav", "enter.wav", "4.wav", "0.wav",
                                           "0.wav", "raise.wav", "error.wav"};
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("10");
  Press(VK_RETURN);
  Type("400");
  Press('Y', th::kAlt);  // power
  Type("1");  // waiting as the power's cue ends: no more cues, but the error cue; the box takes it
  ASSERT_NE(torva_.WaitForDialog(), nullptr) << "no message box";
  ExpectCaptured(spoken);  // all played before the box appeared
  ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Overflow"));
  ExpectX("400");  // operands restored, silently
  EXPECT_EQ(torva_.Line(1), "10");
  Close();
  ExpectCaptured(spoken);
}

// A command refused for want of operands never starts: only the error cue.
TEST_F(SoundOn, RefusedCommandPlaysOnlyTheErrorCue) {
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("5+");
  ASSERT_NE(torva_.WaitForDialog(), nullptr) << "no message box";
  ExpectCaptured({"5.wav", "error.wav"});
  ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Not enough numbers on the stack"));
  ExpectX("5");
  Close();
  ExpectCaptured({"5.wav", "error.wav"});
}

// The clipboard's two failures: a paste finding no text plays the error
// cue before its box; a copy finding the clipboard held shows its box with
// no cue at all.
TEST_F(SoundOn, PasteFailurePlaysTheErrorCueCopyFailureNone) {
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_TRUE(th::SetClipboardPictureOnly());
  ASSERT_NO_FATAL_FAILURE(Launch());
  Press('V', th::kCtrl);
  ASSERT_NE(torva_.WaitForDialog(), nullptr) << "no message box";
  ExpectCaptured({"error.wav"});
  ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Cannot paste number from Clipboard"));

  ASSERT_TRUE(torva_.Activate());
  Type("5");
  ExpectX("5");
  {
    th::ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    Press('C', th::kCtrl);
    ASSERT_NE(torva_.WaitForDialog(), nullptr) << "no message box";
    ExpectCaptured({"error.wav", "5.wav"});
    ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Cannot copy number to Clipboard"));
  }
  Close();
  ExpectCaptured({"error.wav", "5.wav"});
}

// A result is on the display while it is read out, not only afterwards:
// 1/7 shows as soon as its first character is spoken.
TEST_F(SoundOn, ResultIsShownWhileItIsReadOut) {
  const std::vector<std::string> readOut = {"0.wav", "point.wav", "1.wav", "4.wav", "2.wav",
                                            "8.wav", "5.wav", "7.wav", "1.wav", "4.wav",
                                            "2.wav", "8.wav", "5.wav", "7.wav"};
  std::vector<std::string> spoken = {"7.wav", "recip.wav"};
  spoken.insert(spoken.end(), readOut.begin(), readOut.end());
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("7");
  ExpectCaptured({"7.wav"});
  Press('1', th::kAlt);  // reciprocal
  ASSERT_TRUE(th::WaitUntil([&] { return LineXNow() == "0.142857142857"; }, kCueTimeout, 2))
      << "line X shows \"" << LineXNow() << "\"";
  // Half the read-out is still to come when the line shows the result.
  std::vector<std::string> firstHalf(spoken.begin(), spoken.begin() + 2 + readOut.size() / 2);
  EXPECT_LT(cue_capture::WithoutSilentSamples(Capture()).size(),
            cue_capture::WithoutSilentSamples(cues.Concat(firstHalf)).size())
      << "the result appeared only after " << cues.Describe(Capture());
  ExpectCaptured(spoken);
  Close();
  ExpectCaptured(spoken);
}

// No settings file, and one that says 0: number entry that beeps (backspace
// on an empty entry, Enter on an empty stack, a second point), results that
// would be read out, and a refused command with its message box. Then sound
// is switched on and one digit typed: its cue must be all the capture holds,
// so an empty capture cannot pass for silence.
TEST_F(SoundOff, NoCueEverPlays) {
  for (const char* settings : {static_cast<const char*>(nullptr), kSoundOff}) {
    SCOPED_TRACE(settings ? "Sound=0" : "no settings file");
    ASSERT_NO_FATAL_FAILURE(UseSettings(settings));
    ASSERT_NO_FATAL_FAILURE(Launch());
    Type("7");
    ExpectX("7");
    Press(VK_BACK);  // drops the one-digit number
    ExpectX("");
    Press(VK_BACK);    // nothing to erase: beeps
    Press(VK_RETURN);  // empty stack: beeps
    Type("1..");       // the second point beeps
    Press(VK_RETURN);
    Type("2/");
    ExpectX("0.5");
    Press(VK_DELETE);
    ExpectX("-0.5");
    Type("+");
    ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Not enough numbers on the stack"));
    ASSERT_NO_FATAL_FAILURE(EnableSoundInDialog());
    Type("9");
    ExpectX("9");
    Close();
    ExpectCaptured({"9.wav"});
  }
}

TEST_F(SoundDialog, EnablingTakesEffectAtOnceAndAtTheNextStart) {
  ASSERT_NO_FATAL_FAILURE(UseSettings(nullptr));
  ASSERT_NO_FATAL_FAILURE(Launch());
  Type("7");
  ExpectX("7");

  ASSERT_NO_FATAL_FAILURE(EnableSoundInDialog());
  EXPECT_TRUE(th::WaitUntil(
      [] { return GetPrivateProfileIntA("TORVA", "Sound", 0, "TORVA.INI") == 1; }))
      << "settings file: " << th::ReadSettings();

  Type("8");
  ExpectX("78");
  ExpectCaptured({"8.wav"});  // the 7 typed before was silent
  Close();
  ExpectCaptured({"8.wav"});

  ASSERT_NO_FATAL_FAILURE(Launch());  // with the settings file as the dialog left it
  Type("9");
  ExpectX("9");
  ExpectCaptured({"9.wav"});
  Close();
  ExpectCaptured({"9.wav"});
}

// The cues lie beside TORVA.EXE and are played by bare name: the program
// must find them from a working directory that holds none.
TEST_F(WorkingDirectory, CuesAreFoundBesideTheProgram) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
  const std::string elsewhere = std::string(temp) + "torva-cue-cwd";
  CreateDirectoryA(elsewhere.c_str(), nullptr);
  ASSERT_EQ(GetFileAttributesA((elsewhere + "\\7.wav").c_str()), INVALID_FILE_ATTRIBUTES);

  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch(elsewhere));
  Type("7");
  ExpectX("7");
  Close();
  ExpectCaptured({"7.wav"});
}

// A WINMM.dll beside a copy of the program, with Wine told to prefer such a
// DLL to its own (WINEDLLOVERRIDES=winmm=n,b, set by the test's runner), as
// Windows does for a DLL that is not one of its known DLLs. The program
// must never load it (the DLL leaves a marker file when it is loaded),
// neither at start nor when a cue plays, and the cue must still be heard.
// Nor may a DLL that WINMM loads by a bare name when the cue plays, Wine's
// audio drivers, be taken from beside the program (the runner prefers
// those too): the program limits the DLL search to the system folder.
TEST_F(PlantedLibrary, WinmmBesideTheProgramIsNeverLoaded) {
  ASSERT_FALSE(fakeWinmm.empty()) << "pass --fake-winmm=PATH";
  char overrides[1024] = "";
  GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
  ASSERT_NE(std::strstr(overrides, "winmm=n"), nullptr)
      << "without WINEDLLOVERRIDES=winmm=n,b Wine never loads the planted DLL";
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
  const std::string folder = std::string(temp) + "torva-planted";
  const std::string exe = folder + "\\TORVA.EXE";
  const char* planted[] = {"WINMM.dll", "winepulse.drv", "winealsa.drv"};
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* name : planted) {
    DeleteFileA((folder + "\\" + name + "-WAS-LOADED").c_str());
    ASSERT_TRUE(CopyFileA(fakeWinmm.c_str(), (folder + "\\" + name).c_str(), FALSE));
  }
  ASSERT_TRUE(CopyFileA(th::ProgramPath().c_str(), exe.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((cueFolder + "\\7.wav").c_str(), (folder + "\\7.wav").c_str(), FALSE));
  auto expectNoneLoaded = [&](const char* when) {
    for (const char* name : planted) {
      std::string marker = folder + "\\" + name + "-WAS-LOADED";
      EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES)
          << "the planted " << name << " was loaded " << when;
    }
  };

  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch("", exe));
  expectNoneLoaded("at start");
  Type("7");
  ExpectX("7");
  ExpectCaptured({"7.wav"});
  expectNoneLoaded("when the cue played");
  Close();
  ExpectCaptured({"7.wav"});
}

// The names of the cues the stand-in of real cue lengths (fake_winmm.c)
// has logged, from the last named `from` on; when the last of them ended.
std::vector<std::string> LoggedCues(const std::string& path, const std::string& from, DWORD* end) {
  std::vector<std::string> names;
  std::ifstream log(path);
  for (std::string name; log >> name >> *end; names.push_back(name))
    if (name == from) names.clear();
  return names;
}

std::string SystemWinmmPath() {
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, sizeof system);
  return std::string(system) + "\\WINMM.DLL";
}

// Puts a DLL in place of the system directory's WINMM.DLL for as long as
// it lives, and Wine's own back when it ends (and first, if a run that
// broke off left it saved), after ending the program, which would keep the
// file from being replaced.
class SystemWinmm {
 public:
  SystemWinmm(const std::string& path, th::TorvaProcess& program)
      : path_(path), saved_(path + ".torva-saved"), program_(program) {
    Restore();
  }
  ~SystemWinmm() {
    program_.Kill();
    Restore();
  }
  bool Replace(const std::string& dll) {
    return CopyFileA(path_.c_str(), saved_.c_str(), FALSE) && CopyFileA(dll.c_str(), path_.c_str(), FALSE);
  }

 private:
  void Restore() { MoveFileExA(saved_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING); }

  std::string path_, saved_;
  th::TorvaProcess& program_;
};

// The system directory's WINMM.DLL with WINEDLLOVERRIDES=winmm=n (set by the
// test's runner), so that Wine loads only a DLL lying there, not its own:
// first there is none, then one without sndPlaySoundA. Either way the cues
// are silent and the rest works: keys, a result, a refused command's box.
TEST_F(SystemLibrary, WithoutSndPlaySoundTheCuesAreSilentAndTheRestWorks) {
  ASSERT_FALSE(fakeWinmmWithoutSound.empty()) << "pass --fake-winmm-without-sound=PATH";
  const std::string winmm = SystemWinmmPath();
  const std::string marker = winmm + "-WAS-LOADED";
  for (bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "a WINMM without sndPlaySoundA" : "no WINMM");
    SystemWinmm library(winmm, torva_);
    if (replaced) {
      DeleteFileA(marker.c_str());
      ASSERT_TRUE(library.Replace(fakeWinmmWithoutSound));
    } else {
      ASSERT_EQ(LoadLibraryExA(winmm.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH), nullptr)
          << "Wine's WINMM loads: WINEDLLOVERRIDES=winmm=n is missing";
    }
    ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
    ASSERT_NO_FATAL_FAILURE(Launch());
    Type("7");
    Press(VK_RETURN);
    Type("5+/");
    ASSERT_NO_FATAL_FAILURE(AnswerErrorBox("Not enough numbers on the stack"));
    ExpectX("12");
    Close();
    ExpectCaptured({});
    if (replaced) {
      EXPECT_TRUE(DeleteFileA(marker.c_str())) << "the WINMM without sndPlaySoundA was not loaded";
    }
  }
}

// With a WINMM whose cues take as long as they would play, a change of
// sign reads out 19 characters: over 6 s of cues in one command, longer
// than the 5 s after which Windows calls a window that looks at no message
// hung. Between cues the program answers what other programs send it (a
// WM_NULL, a screen reader's WM_GETTEXT), while the commands other
// programs post or send wait for the read-out to end and then run in the
// order they came.
TEST_F(SystemLibrary, LongReadOutAnswersOtherProgramsAndKeepsTheirCommandsForAfter) {
  ASSERT_FALSE(fakeWinmmRealTime.empty()) << "pass --fake-winmm-real-time=PATH";
  const std::string marker = SystemWinmmPath() + "-WAS-LOADED";
  SystemWinmm library(SystemWinmmPath(), torva_);
  ASSERT_TRUE(library.Replace(fakeWinmmRealTime));
  const std::string cueLog = capturePath + ".cues";
  DeleteFileA(cueLog.c_str());
  SetEnvironmentVariableA("TORVA_CUE_LOG", cueLog.c_str());
  ASSERT_NO_FATAL_FAILURE(UseSettings(kSoundOn));
  ASSERT_NO_FATAL_FAILURE(Launch());
  const HWND panel = torva_.Window();
  // IsHungAppWindow, asked at every poll (every 50 ms) of the waits below.
  int hungPolls = 0;
  auto lineXShows = [&](const std::string& text) {
    hungPolls += IsHungAppWindow(panel) ? 1 : 0;
    return LineXNow() == text;
  };
  constexpr DWORD kRealTimeout = 90000;  // every key's cue now plays in real time

  Type("10");
  Press(VK_RETURN);
  Type("99");
  Press('Y', th::kAlt);  // 1e+099
  Press('1', th::kAlt);  // 1e-099
  Type("9.99999999999*");
  Press(VK_DELETE);  // change sign
  const std::string result = "-9.99999999999e-099";
  ASSERT_TRUE(th::WaitUntil([&] { return lineXShows(result); }, kRealTimeout, 50))
      << "line X shows \"" << LineXNow() << "\"";
  // The line is written before its read-out begins.
  const DWORD shown = GetTickCount();
  std::vector<std::string> readOutCues;
  for (char c : result)
    readOutCues.push_back(c == '-' ? "minus.wav" : c == '.' ? "point.wav" : std::string(1, c) + ".wav");
  const DWORD readOut = DWORD(cues.Concat(readOutCues).size() * 1000 / (22050 * 2));  // 16-bit mono

  ASSERT_TRUE(PostMessageA(panel, WM_COMMAND, CMD_DIGIT_1, 0));
  ASSERT_TRUE(PostMessageA(panel, WM_COMMAND, CMD_DIGIT_2, 0));
  Sleep(1000);
  DWORD_PTR answer = 0;
  const DWORD asked = GetTickCount();
  EXPECT_TRUE(SendMessageTimeoutA(panel, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer));
  const DWORD nullAnswer = GetTickCount() - asked;
  char text[128] = "";
  EXPECT_TRUE(SendMessageTimeoutA(GetDlgItem(panel, IDC_LINE_X), WM_GETTEXT, sizeof text,
                                  reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &answer));
  EXPECT_EQ(std::string(text), result);
  EXPECT_TRUE(SendMessageTimeoutA(panel, WM_COMMAND, CMD_DIGIT_3, 0, SMTO_NORMAL, 1000, &answer))
      << "the command was not answered within 1 s (and Wine drops it)";

  ASSERT_TRUE(th::WaitUntil([&] { return !lineXShows(result); }, kRealTimeout, 50));
  const DWORD unchanged = GetTickCount() - shown;
  // 100 ms for the polls and the whole milliseconds the stand-in sleeps.
  EXPECT_GE(unchanged + 100, readOut) << "a command ran during the read-out";
  ExpectX("123");
  EXPECT_EQ(hungPolls, 0) << "polls that found the panel hung";
  printf("note: read-out of %u ms; WM_NULL answered in %u ms; line X changed after %u ms\n",
         unsigned(readOut), unsigned(nullAnswer), unsigned(unchanged));

  // The user's key ends a read-out within the cue under way: 0.7 s is the
  // longest cue and a margin. Ctrl alone does nothing more; Ctrl+1 then
  // reads all of line X.
  th::LiveRegionWatch watch(torva_.ProcessId());  // hears a command end
  auto changeSignAndWait1s = [&](const std::string& shows) {
    Press(VK_DELETE);
    ASSERT_TRUE(th::WaitUntil([&] { return lineXShows(shows); }, kRealTimeout, 50));
    watch.Take();
    Sleep(1000);
  };
  auto commandEnded = [&] { return th::WaitUntil([&] { return !watch.Take().empty(); }, kRealTimeout, 20); };
  const std::string positive = result.substr(1);
  Press('D', th::kAlt);  // drops the 123
  ASSERT_NO_FATAL_FAILURE(changeSignAndWait1s(positive));
  DWORD pressed = GetTickCount(), ended = 0;
  Press(VK_CONTROL);
  ASSERT_TRUE(commandEnded());
  std::vector<std::string> heard = LoggedCues(cueLog, "ch_sgn.wav", &ended);
  const size_t cut = heard.size();
  EXPECT_LT(ended - pressed, 700u) << "ms from Ctrl to the end of the read-out, of " << cut << " cues";
  EXPECT_EQ(LineXNow(), positive);
  Press('1', th::kCtrl);
  ASSERT_TRUE(commandEnded());
  heard = LoggedCues(cueLog, "ch_sgn.wav", &ended);
  EXPECT_EQ(std::vector<std::string>(heard.begin() + cut, heard.end()),
            std::vector<std::string>(readOutCues.begin() + 1, readOutCues.end()));  // no minus

  ASSERT_NO_FATAL_FAILURE(changeSignAndWait1s(result));
  pressed = GetTickCount();
  Type("7");
  ASSERT_TRUE(th::WaitUntil([&] { return lineXShows("7"); }, kRealTimeout, 5));
  const DWORD toSeven = GetTickCount() - pressed;
  heard = LoggedCues(cueLog, "ch_sgn.wav", &ended);
  const size_t played = heard.size() - (heard.back() == "7.wav" ? 1 : 0);  // the 7's own
  EXPECT_LT(toSeven, 700u) << "ms from the key 7 to line X showing 7";
  EXPECT_LT(played, 1 + result.size()) << "cues of the change of sign, its own and the read-out's";
  printf("note: Ctrl ended the read-out after %u cues; 7 showed after %u ms, of %u cues %u played\n",
         unsigned(cut), unsigned(toSeven), unsigned(1 + result.size()), unsigned(played));
  Close();
  DeleteFileA(marker.c_str());
}

// Removes --NAME=VALUE from argv; false when absent.
bool TakeOption(int* argc, char** argv, const char* name, std::string* value) {
  const size_t length = std::strlen(name);
  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=') {
      *value = argv[i] + length + 1;
      for (int j = i; j < *argc; ++j) argv[j] = argv[j + 1];
      --*argc;
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  th::ParseCommandLine(&argc, argv);
  if (!TakeOption(&argc, argv, "--cues", &cueFolder) ||
      !TakeOption(&argc, argv, "--capture", &capturePath) || th::ProgramPath().empty()) {
    fprintf(stderr, "usage: %s --torva=EXE --cues=DIR --capture=FILE [gtest options]\n", argv[0]);
    return 2;
  }
  if (TakeOption(&argc, argv, "--fake-winmm", &fakeWinmm)) fakeWinmm = th::ToWindowsPath(fakeWinmm);
  if (TakeOption(&argc, argv, "--fake-winmm-without-sound", &fakeWinmmWithoutSound))
    fakeWinmmWithoutSound = th::ToWindowsPath(fakeWinmmWithoutSound);
  if (TakeOption(&argc, argv, "--fake-winmm-real-time", &fakeWinmmRealTime))
    fakeWinmmRealTime = th::ToWindowsPath(fakeWinmmRealTime);
  ::testing::InitGoogleTest(&argc, argv);
  capturePath = th::ToWindowsPath(capturePath);
  cueFolder = th::ToWindowsPath(cueFolder);
  std::string error;
  if (!cues.Load(cueFolder, &error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  ::testing::AddGlobalTestEnvironment(new SettingsGuard);
  return RUN_ALL_TESTS();
}
