// The Sound dialog and the settings file it writes.
#include "e2e_fixture.h"

namespace {

constexpr int kOkId = 2;

bool Checked(HWND dialog, int id) {
  DWORD_PTR state = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, th::kStepTimeout, &state);
  return state == BST_CHECKED;
}

}  // namespace

class Sound : public TorvaTest {
 protected:
  // Opens the Sound dialog with the button; checks which choice it shows.
  HWND Open(bool soundOn) {
    pending_.reset(new th::AsyncSend(torva.ClickAsync(CMD_SOUND)));
    return Check(soundOn);
  }
  HWND OpenByKey(bool soundOn) {
    Press('O', th::kAlt);
    pending_.reset();
    return Check(soundOn);
  }
  HWND Check(bool soundOn) {
    HWND dialog = torva.WaitForDialog();
    EXPECT_NE(dialog, nullptr) << "no Sound dialog";
    if (!dialog) return nullptr;
    EXPECT_EQ(th::ReadBox(dialog).caption, "Sound");
    EXPECT_EQ(th::ControlText(dialog, IDC_SOUND_ON), "&Enable Sound");
    EXPECT_EQ(th::ControlText(dialog, IDC_SOUND_OFF), "&Disable Sound");
    EXPECT_EQ(Checked(dialog, IDC_SOUND_ON), soundOn);
    EXPECT_EQ(Checked(dialog, IDC_SOUND_OFF), !soundOn);
    return dialog;
  }
  void Close(HWND dialog, CloseBy how = CloseBy::kOkButton) {
    CloseBox(dialog, how, kOkId);
    if (pending_) {
      EXPECT_TRUE(pending_->Wait()) << "the Sound command did not return";
    }
    ASSERT_TRUE(th::Sync(torva.Window()));
  }
  std::unique_ptr<th::AsyncSend> pending_;
};

TEST_F(Sound, NoFileMeansSilentAndOkWritesNothing) {
  HWND dialog = Open(false);
  ASSERT_NE(dialog, nullptr);
  Close(dialog);
  EXPECT_FALSE(th::SettingsExist()) << th::ReadSettings();
}

TEST_F(Sound, EnableWritesOneAndIsKept) {
  HWND dialog = OpenByKey(false);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_ON));
  Close(dialog, CloseBy::kEscapeKey);  // Escape keeps the choice
  std::string settings = th::ReadSettings();
  EXPECT_NE(settings.find("[TORVA]"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Sound=1"), std::string::npos) << settings;
  dialog = Open(true);
  ASSERT_NE(dialog, nullptr);
  Close(dialog);
}

TEST_F(Sound, EnableThenDisableWritesNothing) {
  HWND dialog = Open(false);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_ON));
  ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_OFF));
  Close(dialog, CloseBy::kEnterKey);
  EXPECT_FALSE(th::SettingsExist()) << th::ReadSettings();
}

class SoundFromFile : public Sound {
 protected:
  bool StartsItself() const override { return true; }
  void StartWith(const std::string& settings) {
    ASSERT_TRUE(th::WriteSettings(settings));
    StartTorva();
  }
};

TEST_F(SoundFromFile, SevenMeansOnAndIsRewrittenOnlyWhenClicked) {
  const std::string seven = "[TORVA]\r\nSound=7\r\n";
  StartWith(seven);
  HWND dialog = Open(true);
  ASSERT_NE(dialog, nullptr);
  Close(dialog);
  EXPECT_EQ(th::ReadSettings(), seven);

  dialog = Open(true);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_ON));
  Close(dialog);
  EXPECT_NE(th::ReadSettings().find("Sound=1"), std::string::npos) << th::ReadSettings();
}

// A per-user copy that holds the key shadows the Windows-directory file and
// takes the next change; one without the key leaves the file's value in
// force.
TEST_F(SoundFromFile, UserCopyHoldingTheKeyShadowsTheWindowsFile) {
  const std::string windowsFile = "[TORVA]\r\nSound=1\r\n";
  ASSERT_TRUE(th::WriteSettings("[TORVA]\r\nSound=0\r\n", th::UserSettingsPath()));
  StartWith(windowsFile);
  HWND dialog = Open(false);
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(th::ClickButton(dialog, IDC_SOUND_ON));
  Close(dialog);
  EXPECT_NE(th::ReadSettings(th::UserSettingsPath()).find("Sound=1"), std::string::npos)
      << th::ReadSettings(th::UserSettingsPath());
  EXPECT_EQ(th::ReadSettings(), windowsFile);
  torva.Kill();

  ASSERT_TRUE(th::WriteSettings("[TORVA]\r\nVolume=0\r\n", th::UserSettingsPath()));
  StartWith(windowsFile);
  dialog = Open(true);
  ASSERT_NE(dialog, nullptr);
  Close(dialog);
}

TEST_F(SoundFromFile, UnreadableSettingsStartSilentWithoutABox) {
  const char* files[] = {
      "\x01\x02 junk \xff\r\n=\r\n[",
      "[OTHER]\r\nSound=1\r\n",
      "[TORVA]\r\nSound=x1\r\n",
      "[TORVA]\r\nVolume=1\r\n",
  };
  for (const char* file : files) {
    StartWith(file);
    ASSERT_TRUE(th::Sync(torva.Window()));
    EXPECT_TRUE(torva.Dialogs().empty()) << "a box at start-up with settings: " << file;
    HWND dialog = Open(false);
    ASSERT_NE(dialog, nullptr);
    Close(dialog);
    torva.Kill();
  }
}
