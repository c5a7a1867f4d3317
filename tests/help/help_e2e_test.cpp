// End to end: on Windows XP the real TORVA.EXE opens TORVA.HLP in the
// system help viewer (Wine's winhlp32), finds it beside itself from any
// working directory, releases the viewer at exit, and copes with a missing
// help file. On Vista, 7 and 10 it opens TORVA-HELP.HTM in the web browser.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "torva_harness.h"
#include "torva_ids.h"

namespace th = torva_harness;

namespace {

// The first start of the viewer in a fresh session takes several seconds.
constexpr DWORD kViewerTimeout = 30000;

std::string helpSourcePath;   // help/torva.hlpsrc, for the expected texts
std::string helpTitle;        // its .title: the viewer's caption
std::string contentsTitle;    // the title of its first topic
std::string pageOpenerPath;   // the web browser's stand-in (page_opener.c)

bool ReadHelpSource() {
  std::ifstream in(helpSourcePath);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind(".title ", 0) == 0) helpTitle = line.substr(7);
    if (line.rfind(".topic ", 0) == 0 && contentsTitle.empty()) {
      size_t space = line.find(' ', 7);
      if (space != std::string::npos) contentsTitle = line.substr(space + 1);
    }
  }
  return !helpTitle.empty() && !contentsTitle.empty();
}

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, th::kStepTimeout, &length))
    return "";
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_ABORTIFHUNG, th::kStepTimeout, &copied);
  text.resize(copied);
  return text;
}

// Visible main windows of the help viewer.
std::vector<HWND> ViewerWindows() {
  std::vector<HWND> found;
  EnumWindows([](HWND window, LPARAM param) CALLBACK -> BOOL {
    if (IsWindowVisible(window) && th::ClassName(window) == "MS_WINHELP")
      reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND WaitForViewer() {
  HWND viewer = nullptr;
  th::WaitUntil([&] {
    std::vector<HWND> windows = ViewerWindows();
    viewer = windows.empty() ? nullptr : windows.front();
    return viewer != nullptr;
  }, kViewerTimeout, 50);
  return viewer;
}

// The rich-text control that shows the topic.
HWND TopicControl(HWND viewer) {
  HWND found = nullptr;
  EnumChildWindows(viewer, [](HWND child, LPARAM param) CALLBACK -> BOOL {
    std::string name = th::ClassName(child);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    if (name.find("RICHEDIT") == std::string::npos) return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Waits until the viewer shows a topic whose text starts with `title`.
bool WaitForTopic(HWND viewer, const std::string& title, std::string* shown) {
  return th::WaitUntil([&] {
    HWND control = TopicControl(viewer);
    *shown = control ? WindowText(control) : "";
    return shown->rfind(title, 0) == 0;
  }, kViewerTimeout, 50);
}

bool ProcessEnded(DWORD processId, DWORD timeoutMs) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!process) return true;
  bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

// A fresh directory under the temporary directory, removed with its files.
// Names are UTF-8 (any letters).
class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = th::Utf8(base) + "torva_help_" + tag + "_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(th::Wide(path_).c_str(), nullptr);
  }
  ~TempDir() {
    for (const std::string& file : files_) DeleteFileW(th::Wide(file).c_str());
    RemoveDirectoryW(th::Wide(path_).c_str());
  }
  bool CopyIn(const std::string& source, const char* name) {
    files_.push_back(path_ + "\\" + name);
    return CopyFileW(th::Wide(source).c_str(), th::Wide(files_.back()).c_str(), FALSE) != 0;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

std::string BesideProgram(const char* name) {
  std::string program = th::ProgramPath();
  return program.substr(0, program.find_last_of('\\') + 1) + name;
}

class Help : public testing::Test {
 protected:
  // The Windows the program is told it runs on: XP, the last with a help
  // viewer (Wine would say Windows 7).
  virtual const char* Version() const { return "winxp"; }

  void SetUp() override {
    ASSERT_FALSE(th::ProgramPath().empty()) << "pass --torva=PATH";
    ASSERT_FALSE(helpTitle.empty()) << "pass --help-source=PATH";
    version_.reset(new th::WindowsVersion(Version()));
    ASSERT_TRUE(version_->Set());
    KillViewers();
  }
  // A viewer left running would keep the test runner's output pipe open.
  void TearDown() override {
    torva_.Kill();
    KillViewers();
  }
  static void KillViewers() {
    for (DWORD id : th::FindProcesses("winhlp32.exe")) th::KillProcess(id);
  }

  void StartProgram(const std::string& exe = "", const std::string& workDir = "") {
    ASSERT_TRUE(torva_.Start(exe, workDir)) << torva_.Error();
  }
  void PressOnPanel(WORD key, unsigned mods) {
    ASSERT_TRUE(torva_.Activate());
    ASSERT_TRUE(th::PressKey(key, mods));
  }
  // The viewer is up, captioned with the file's title, on the contents.
  HWND ExpectContentsShown() {
    HWND viewer = WaitForViewer();
    EXPECT_TRUE(viewer) << "no help viewer window appeared";
    if (!viewer) return nullptr;
    EXPECT_EQ(WindowText(viewer), helpTitle);
    std::string shown;
    EXPECT_TRUE(WaitForTopic(viewer, contentsTitle, &shown)) << "the viewer shows: " << shown;
    return viewer;
  }

  std::unique_ptr<th::WindowsVersion> version_;
  th::TorvaProcess torva_;
};

TEST_F(Help, F1OpensTheContents) {
  StartProgram();
  PressOnPanel(VK_F1, th::kNoMods);
  ExpectContentsShown();
}

TEST_F(Help, AltHOpensTheContents) {
  StartProgram();
  PressOnPanel('H', th::kAlt);
  ExpectContentsShown();
}

TEST_F(Help, HelpButtonOpensTheContents) {
  StartProgram();
  ASSERT_TRUE(th::ClickButton(torva_.Window(), CMD_HELP, kViewerTimeout));
  ExpectContentsShown();
}

// winhlp32 has no keyboard way to follow a link (Tab does not move between
// links), so the link is clicked where the text control draws it.
TEST_F(Help, ClickingALinkOpensItsTopic) {
  StartProgram();
  ASSERT_TRUE(th::ClickButton(torva_.Window(), CMD_HELP, kViewerTimeout));
  HWND viewer = ExpectContentsShown();
  ASSERT_TRUE(viewer);
  HWND control = TopicControl(viewer);
  const std::string link = "Keys and buttons";
  std::string text = WindowText(control);
  size_t at = text.find(link);
  ASSERT_NE(at, std::string::npos) << text;
  // The control counts a paragraph end as one character; its text has CR LF.
  LONG index = static_cast<LONG>(at);
  for (size_t i = text.find("\r\n"); i < at; i = text.find("\r\n", i + 2)) --index;

  DWORD viewerProcess = 0;
  GetWindowThreadProcessId(control, &viewerProcess);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, viewerProcess);
  ASSERT_TRUE(process);
  void* remote = VirtualAllocEx(process, nullptr, sizeof(POINTL), MEM_COMMIT, PAGE_READWRITE);
  ASSERT_TRUE(remote);
  POINTL where{-1, -1};
  DWORD_PTR unused = 0;
  SendMessageTimeoutA(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(remote), index + 2,
                      SMTO_ABORTIFHUNG, th::kStepTimeout, &unused);
  ReadProcessMemory(process, remote, &where, sizeof where, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  ASSERT_GE(where.x, 0);

  LPARAM point = MAKELPARAM(where.x + 1, where.y + 4);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageA(control, WM_LBUTTONUP, 0, point);
  std::string shown;
  EXPECT_TRUE(WaitForTopic(viewer, link, &shown)) << "the viewer shows: " << shown;
  // The viewer shows the title before the rest of the topic's text.
  EXPECT_TRUE(th::WaitUntil([&] {
    shown = WindowText(TopicControl(viewer));
    return shown.find("Ctrl+Insert") != std::string::npos;
  }, kViewerTimeout, 50)) << shown;
  EXPECT_EQ(WindowText(viewer), helpTitle);
}

// From another working directory, and in a folder whose name the ANSI code
// page cannot spell (a zip unpacked in a Polish or Japanese user's
// Downloads folder).
TEST_F(Help, FoundBesideTheProgramFromAnotherWorkingDirectory) {
  TempDir install("\xc5\x81ukasz \xe5\xb1\xb1\xe7\x94\xb0"), elsewhere("cwd");
  ASSERT_FALSE(th::AnsiCanSpell(install.Path())) << "code page " << GetACP();
  ASSERT_TRUE(install.CopyIn(th::ProgramPath(), "TORVA.EXE"));
  ASSERT_TRUE(install.CopyIn(BesideProgram("TORVA.HLP"), "TORVA.HLP"));
  StartProgram(install.Path() + "\\TORVA.EXE", elsewhere.Path());
  PressOnPanel(VK_F1, th::kNoMods);
  ExpectContentsShown();
  torva_.Kill();
  KillViewers();
}

TEST_F(Help, ExitAndClosingTheWindowReleaseTheViewer) {
  for (bool byExit : {true, false}) {
    SCOPED_TRACE(byExit ? "Exit button" : "WM_CLOSE");
    StartProgram();
    ASSERT_TRUE(th::ClickButton(torva_.Window(), CMD_HELP, kViewerTimeout));
    ASSERT_TRUE(ExpectContentsShown());
    std::vector<DWORD> viewers = th::FindProcesses("winhlp32.exe");
    ASSERT_EQ(viewers.size(), 1u);
    if (byExit) {
      th::AsyncSend click(torva_.Window(), WM_COMMAND, CMD_EXIT, 0);
    } else {
      PostMessageA(torva_.Window(), WM_CLOSE, 0, 0);
    }
    DWORD code = 99;
    ASSERT_TRUE(torva_.WaitForExit(th::kStepTimeout, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(ProcessEnded(viewers[0], th::kStepTimeout)) << "the viewer is still running";
    EXPECT_TRUE(ViewerWindows().empty());
    KillViewers();
  }
}

// Under Wine, WinHelpA starts the viewer even without the file; the viewer
// asks about the missing file in its own box and WinHelpA still reports
// success, so the program shows no "Help error" and stays usable. The
// program's own "Help error" box, for a WinHelpA that fails, cannot be
// reached under Wine and is not tested anywhere.
TEST_F(Help, MissingHelpFileIsReportedByTheViewer) {
  TempDir bare("bare");
  ASSERT_TRUE(bare.CopyIn(th::ProgramPath(), "TORVA.EXE"));
  StartProgram(bare.Path() + "\\TORVA.EXE");
  PressOnPanel(VK_F1, th::kNoMods);

  DWORD viewer = 0;
  ASSERT_TRUE(th::WaitUntil([&] {
    std::vector<DWORD> ids = th::FindProcesses("winhlp32.exe");
    viewer = ids.empty() ? 0 : ids.front();
    return viewer != 0;
  }, kViewerTimeout, 50));
  HWND box = th::WaitForDialog(viewer, kViewerTimeout);
  ASSERT_TRUE(box) << "the viewer showed no box";
  th::BoxInfo info = th::ReadBox(box);
  std::string upper = info.text;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  EXPECT_NE(upper.find("TORVA.HLP"), std::string::npos) << info.caption << ": " << info.text;
  std::printf("viewer box: [%s] %s\n", info.caption.c_str(), info.text.c_str());
  EXPECT_TRUE(torva_.Dialogs().empty()) << "the program showed a box while the viewer's was open";

  // Declining to look for the file: the viewer ends, WinHelpA returns.
  HWND no = GetDlgItem(box, IDNO);
  ASSERT_TRUE(th::ClickButton(box, no ? IDNO : IDOK));
  ASSERT_TRUE(ProcessEnded(viewer, kViewerTimeout)) << "the viewer did not end";
  ASSERT_TRUE(th::Sync(torva_.Window()));
  EXPECT_TRUE(torva_.Dialogs().empty()) << "a message box followed the viewer's";
  ASSERT_TRUE(torva_.Command(CMD_DIGIT_7));
  EXPECT_TRUE(torva_.WaitForLine(0, "7"));
  torva_.Kill();  // before its directory goes
}

// Windows from Vista on has no help viewer: the help opens as a web page
// in the browser, here the stand-in page_opener, which notes every page it
// is given.
class HelpPage : public Help, public testing::WithParamInterface<const char*> {
 protected:
  const char* Version() const override { return GetParam(); }
  void SetUp() override {
    ASSERT_FALSE(pageOpenerPath.empty()) << "pass --page-opener=PATH";
    Help::SetUp();
    opener_.reset(new th::HtmlOpener(pageOpenerPath));
    ASSERT_TRUE(opener_->Set());
    DeleteFileW(th::Wide(log_).c_str());
  }
  // The pages opened so far, one path each.
  std::vector<std::string> PagesOpened() const {
    std::vector<std::string> pages;
    std::ifstream in(log_);  // in the build tree: an ASCII path
    for (std::string line; std::getline(in, line);) pages.push_back(line);
    return pages;
  }
  bool WaitForPages(size_t count) const {
    return th::WaitUntil([&] { return PagesOpened().size() >= count; }, kViewerTimeout, 20);
  }

  std::unique_ptr<th::HtmlOpener> opener_;
  const std::string log_ =
      pageOpenerPath.substr(0, pageOpenerPath.find_last_of('\\') + 1) + "PAGES-OPENED.TXT";
};

// F1, Alt+h and the Help button each open the page beside the program by
// its full path, also in a folder whose name the ANSI code page cannot
// spell; no box, and the calculator goes on.
TEST_P(HelpPage, EachWayOpensThePageBesideTheProgram) {
  TempDir install("page \xc5\x81ukasz \xe5\xb1\xb1\xe7\x94\xb0");
  ASSERT_TRUE(install.CopyIn(th::ProgramPath(), "TORVA.EXE"));
  ASSERT_TRUE(install.CopyIn(BesideProgram("TORVA-HELP.HTM"), "TORVA-HELP.HTM"));
  StartProgram(install.Path() + "\\TORVA.EXE");
  PressOnPanel(VK_F1, th::kNoMods);
  ASSERT_TRUE(WaitForPages(1)) << "F1 opened no page";
  PressOnPanel('H', th::kAlt);
  ASSERT_TRUE(WaitForPages(2)) << "Alt+h opened no page";
  ASSERT_TRUE(th::ClickButton(torva_.Window(), CMD_HELP));
  ASSERT_TRUE(WaitForPages(3)) << "the Help button opened no page";
  const std::string page = install.Path() + "\\TORVA-HELP.HTM";
  EXPECT_EQ(PagesOpened(), std::vector<std::string>(3, page));
  EXPECT_TRUE(torva_.Dialogs().empty()) << "a box came with the page";
  EXPECT_TRUE(ViewerWindows().empty()) << "the help viewer was started too";
  ASSERT_TRUE(torva_.Command(CMD_DIGIT_7));
  EXPECT_TRUE(torva_.WaitForLine(0, "7"));
  torva_.Kill();  // before its directory goes
}

// No page to open, or a folder of its name (which would open in Explorer):
// "Help error", with no cue, and nothing else is started.
TEST_P(HelpPage, MissingPageIsAHelpError) {
  TempDir bare("nopage");
  ASSERT_TRUE(bare.CopyIn(th::ProgramPath(), "TORVA.EXE"));
  ASSERT_TRUE(bare.CopyIn(BesideProgram("TORVA.HLP"), "TORVA.HLP"));
  const std::wstring folder = th::Wide(bare.Path() + "\\TORVA-HELP.HTM");
  RemoveDirectoryW(folder.c_str());  // left by a run that did not end
  for (bool asFolder : {false, true}) {
    SCOPED_TRACE(asFolder ? "a folder of the page's name" : "no page");
    if (asFolder) {
      ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    StartProgram(bare.Path() + "\\TORVA.EXE");
    th::AsyncSend help = torva_.CommandAsync(CMD_HELP);
    HWND box = torva_.WaitForDialog(kViewerTimeout);
    ASSERT_TRUE(box) << "no Help error box";
    th::BoxInfo info = th::ReadBox(box);
    EXPECT_EQ(info.caption, "TORVA NT - Error");
    EXPECT_EQ(info.text, "Help error");
    ASSERT_TRUE(th::ClickButton(box, IDOK));
    EXPECT_TRUE(help.Wait());
    EXPECT_TRUE(PagesOpened().empty());
    EXPECT_TRUE(ViewerWindows().empty()) << "the help viewer was started";
    torva_.Kill();
  }
  RemoveDirectoryW(folder.c_str());
}

INSTANTIATE_TEST_SUITE_P(Windows, HelpPage, testing::Values("vista", "win7", "win10"),
                         [](const testing::TestParamInfo<const char*>& version) { return std::string(version.param); });

}  // namespace

int main(int argc, char** argv) {
  th::ParseCommandLine(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--help-source=", 0) == 0) helpSourcePath = th::ToWindowsPath(arg.substr(14));
    if (arg.rfind("--page-opener=", 0) == 0) pageOpenerPath = th::ToWindowsPath(arg.substr(14));
  }
  testing::InitGoogleTest(&argc, argv);
  if (!ReadHelpSource()) std::fprintf(stderr, "cannot read .title and .topic from %s\n", helpSourcePath.c_str());
  return RUN_ALL_TESTS();
}
