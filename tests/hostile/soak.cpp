// Soak of the real window: thousands of random steps (commands of any code
// with any high word, real keystrokes, pastes of random bytes, the About
// and Sound dialogs), every box answered. The engine runs beside the
// program as a model, fed the same keys; after every step the program's
// four lines and the texts of its boxes must be the model's. Then 100 000
// measurements of typed widths, each on a device context the program must
// give back. At the end the program must still answer and hold no more
// windows, objects or memory than before.
//
//   torva_soak --torva=PATH [--steps=N] [--seed=S] [--sweep=CODES] [--widths=N]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine_model.h"
#include "session_driver.h"
#include "torva_harness.h"
#include "torva_ids.h"

namespace th = torva_harness;

namespace {

struct Options {
  long steps = 2000;
  unsigned seed = 1;
  long sweep = 0;  // codes 0..sweep-1 are each sent once before the steps
  long widths = 100000;  // width measurements after the steps
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--steps=", 8) == 0) options.steps = std::atol(argv[i] + 8);
    if (std::strncmp(argv[i], "--sweep=", 8) == 0) options.sweep = std::atol(argv[i] + 8);
    if (std::strncmp(argv[i], "--widths=", 9) == 0) options.widths = std::atol(argv[i] + 9);
    if (std::strncmp(argv[i], "--seed=", 7) == 0)
      options.seed = static_cast<unsigned>(std::strtoul(argv[i] + 7, nullptr, 10));
  }
  return options;
}

// Keystrokes the soak presses, with the command each one gives.
struct KeyStroke {
  WORD vk;  // 0: type the character instead
  char character;
  unsigned code;
};

const KeyStroke kKeyStrokes[] = {
    {0, '0', 48},          {0, '1', 49},          {0, '2', 50},        {0, '3', 51},
    {0, '4', 52},          {0, '5', 53},          {0, '6', 54},        {0, '7', 55},
    {0, '8', 56},          {0, '9', 57},          {0, '.', 46},        {0, '+', 43},
    {0, '-', 45},          {0, '*', 42},          {0, '/', 47},        {VK_RETURN, 0, 13},
    {VK_BACK, 0, 8},       {VK_DELETE, 0, 178},   {VK_HOME, 0, 183},   {VK_END, 0, 179},
    {VK_NEXT, 0, 186},     {VK_INSERT, 0, 180},   {VK_PRIOR, 0, 182},
};

class Soak {
 public:
  Soak(th::TorvaProcess& torva, unsigned seed) : torva_(torva), random_(seed) {}

  // Runs one random step; false (with the reason printed) when the program
  // and the model part ways or the program stops answering.
  bool Step(long index) {
    std::string what;
    bool ok = RunRandomStep(&what);
    if (ok) ok = LinesAgree();
    if (!ok) {
      std::printf("step %ld (%s) failed: %s\n", index, what.c_str(), failure_.c_str());
      for (HWND box : torva_.Dialogs())
        std::printf("  open box: \"%s\"\n", th::ReadBox(box).text.c_str());
    }
    return ok;
  }

  // Every code below `limit` once (but Exit and Help), each with a random
  // high word, the lines compared after each.
  bool Sweep(long limit) {
    for (long code = 0; code < limit && code < 65536; ++code) {
      if (code == CMD_EXIT || code == CMD_HELP) continue;
      WPARAM wParam = MAKEWPARAM(code, Uniform(65536));
      if (!Command(wParam) || !LinesAgree()) {
        std::printf("sweep: code %ld failed: %s\n", code, failure_.c_str());
        return false;
      }
    }
    return true;
  }

  // Puts text on the clipboard, for the program and the model alike.
  bool SetClipboard(const std::string& text) {
    model_.SetClipboard(text);
    return th::SetClipboardText(text);
  }

  // Width measurements of typed texts against line X, each on a device
  // context of the panel that the program must release again: every digit
  // of a paste of 81 digits on an empty stack is measured, whether it fits
  // or not, and no box comes. The model takes the same pastes.
  bool MeasureWidths(long measurements) {
    std::string digits;
    while (digits.size() < 81) digits += "1234567890";
    digits.resize(81);
    if (!SetClipboard(digits)) return Fail("cannot set the clipboard");
    for (long measured = 0; measured < measurements; measured += 81) {
      bool quiet = model_.Paste().empty() && torva_.Command(CMD_PASTE) && LinesAgree();
      quiet = quiet && model_.Key(CMD_CLEAR).empty() && torva_.Command(CMD_CLEAR);
      if (!quiet) {
        std::printf("width measurements: failed after %ld: %s\n", measured,
                    failure_.empty() ? "a command did not return" : failure_.c_str());
        return false;
      }
    }
    return true;
  }

  long boxesAnswered() const { return boxes_; }
  long settleRetries() const { return settleRetries_; }

  bool LinesAgree() {
    std::vector<std::string> program = torva_.Lines();
    std::vector<std::string> expected = model_.Lines();
    if (program == expected) return true;
    failure_ = "lines differ:";
    for (int level = 0; level < 4; ++level)
      failure_ += "\n  " + std::to_string(level) + ": program \"" + program[level] +
                  "\" model \"" + expected[level] + "\"";
    return false;
  }

  // A command sent the way a button or another program sends it.
  bool Command(WPARAM wParam) {
    unsigned code = LOWORD(wParam);
    std::vector<std::string> expected;
    if (RoutedToEngine(code)) expected = model_.Key(static_cast<unsigned>(wParam));
    if (code == CMD_PASTE) expected = model_.Paste();
    if (code == CMD_ABOUT || code == CMD_SOUND) return Dialog(wParam);
    hostile::Answered answered = hostile::CommandAnsweringBoxes(torva_, wParam);
    return Expect(answered, expected);
  }

 private:
  unsigned Uniform(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }

  bool RunRandomStep(std::string* what) {
    unsigned kind = Uniform(100);
    if (kind < 45) {
      WPARAM wParam = RandomCommand();
      *what = "command " + std::to_string(LOWORD(wParam)) + " high " +
              std::to_string(HIWORD(wParam));
      return Command(wParam);
    }
    if (kind < 80) {
      const KeyStroke& key = kKeyStrokes[Uniform(sizeof kKeyStrokes / sizeof kKeyStrokes[0])];
      *what = "key " + std::to_string(key.code);
      return Press(key);
    }
    if (kind < 96) {
      *what = "paste of random bytes";
      return PasteRandomBytes();
    }
    *what = "dialog";
    return Command(Uniform(2) ? CMD_ABOUT : CMD_SOUND);
  }

  // Mostly the codes that do something, often with a high word; the rest
  // anywhere in 0..65535. Never Exit; never Help, which starts another
  // program (the help viewer) that outlives the step.
  WPARAM RandomCommand() {
    unsigned code;
    do {
      unsigned pick = Uniform(10);
      if (pick < 6) code = Uniform(256);
      else if (pick < 8) code = 42 + Uniform(16);
      else code = Uniform(65536);
    } while (code == CMD_EXIT || code == CMD_HELP);
    unsigned high = Uniform(3) == 0 ? Uniform(65536) : 0;
    return MAKEWPARAM(code, high);
  }

  bool Press(const KeyStroke& key) {
    std::vector<std::string> expected = model_.Key(key.code);
    if (!torva_.Activate()) return Fail("the panel did not come to the front");
    bool sent = key.vk ? th::PressKey(key.vk) : th::TypeText(std::string(1, key.character));
    if (!sent) return Fail("SendInput failed");
    hostile::Answered answered;
    for (size_t i = 0; i < expected.size(); ++i)
      if (!hostile::AnswerOneBox(torva_, &answered)) return Fail("an expected box did not come");
    if (!Expect(answered, expected)) return false;
    // A closed box hands the activation back later, on its own time, and
    // can leave the desktop active; the barrier's keystrokes must reach the
    // panel, so it is brought to the front again before each try.
    bool settled = false;
    for (int attempt = 0; attempt < 3 && !settled; ++attempt) {
      if (attempt > 0) ++settleRetries_;
      if (!torva_.Dialogs().empty()) return Fail("a box came that the model did not show");
      settled = torva_.Activate() && torva_.SettleInput();
    }
    if (!settled) return Fail("the keystroke was not taken in time");
    if (!torva_.Dialogs().empty()) return Fail("a box came that the model did not show");
    return true;
  }

  bool PasteRandomBytes() {
    std::string bytes(Uniform(120), '\0');
    for (char& c : bytes) c = static_cast<char>(1 + Uniform(255));
    if (!th::SetClipboardBytes(bytes)) return Fail("cannot set the clipboard");
    model_.SetClipboard(bytes);
    return Command(CMD_PASTE);
  }

  // About or Sound: the dialog is answered as a user would; in Sound a
  // choice may be clicked, but sound ends off (cues would only slow the
  // soak down; the model does not play them either).
  bool Dialog(WPARAM wParam) {
    th::AsyncSend send = torva_.CommandAsync(wParam);
    HWND dialog = torva_.WaitForDialog();
    if (!dialog) return Fail("the dialog did not open");
    if (LOWORD(wParam) == CMD_SOUND && Uniform(2)) {
      th::ClickButton(dialog, IDC_SOUND_ON);
      th::ClickButton(dialog, IDC_SOUND_OFF);
    }
    if (!th::ClickButton(dialog, IDC_BOX_OK) || !th::WaitForWindowGone(dialog))
      return Fail("the dialog did not close");
    if (!send.Wait()) return Fail("the command did not return after its dialog closed");
    return true;
  }

  // The boxes answered must be the model's messages, text for text.
  bool Expect(const hostile::Answered& answered, const std::vector<std::string>& expected) {
    boxes_ += static_cast<long>(answered.texts.size());
    if (answered.timedOut) return Fail("the program stopped answering");
    if (answered.texts != expected) {
      failure_ = std::to_string(answered.texts.size()) + " boxes, model showed " +
                 std::to_string(expected.size());
      for (const std::string& text : answered.texts) failure_ += "\n  box: " + text;
      for (const std::string& text : expected) failure_ += "\n  model: " + text;
      return false;
    }
    return true;
  }

  bool Fail(const std::string& why) {
    failure_ = why;
    return false;
  }

  th::TorvaProcess& torva_;
  std::mt19937 random_;
  Model model_;
  std::string failure_;
  long boxes_ = 0;
  long settleRetries_ = 0;
};

struct Snapshot {
  hostile::ObjectCounts objects;
  int windows;
  size_t privateBytes;
};

Snapshot Take(const th::TorvaProcess& torva) {
  th::Sync(torva.Window());
  return {hostile::GuiObjects(torva.Handle()), hostile::WindowCount(torva.ProcessId()),
          hostile::PrivateBytes(torva.Handle())};
}

bool Within(long before, long after, long slack) { return after - before <= slack && before - after <= slack; }

// Private memory within slack KiB. Memory that could not be read (0) fails
// the bound rather than meeting it.
bool MemoryWithin(size_t before, size_t after, long slackKiB) {
  if (before == 0 || after == 0) std::printf("the program's private memory could not be read\n");
  return before != 0 && after != 0 &&
         Within(static_cast<long>(before / 1024), static_cast<long>(after / 1024), slackKiB);
}

// The counts must be where they started: objects and windows within 2,
// private memory within 1 MB (the C runtime keeps some heap it once used).
bool CompareSnapshots(const Snapshot& before, const Snapshot& after) {
  std::printf("USER objects %lu -> %lu, GDI objects %lu -> %lu%s\n",
              before.objects.user, after.objects.user, before.objects.gdi, after.objects.gdi,
              after.objects.available ? "" : " (not counted by this system)");
  std::printf("windows %d -> %d, private bytes %zu -> %zu\n", before.windows, after.windows,
              before.privateBytes, after.privateBytes);
  bool ok = Within(before.windows, after.windows, 0) &&
            MemoryWithin(before.privateBytes, after.privateBytes, 1024);
  if (after.objects.available)
    ok = ok && Within(before.objects.user, after.objects.user, 2) &&
         Within(before.objects.gdi, after.objects.gdi, 2);
  return ok;
}

}  // namespace

// After the width measurements, which repeat one thing 100 000 times, the
// memory bound is tight. This system counts no USER or GDI objects (nor the
// process's handles), but a device context that is not given back costs
// the program about 2 KiB of private memory every time.
bool CompareAfterWidths(const Snapshot& before, const Snapshot& after) {
  std::printf("after the width measurements: private bytes %zu -> %zu\n", before.privateBytes,
              after.privateBytes);
  return MemoryWithin(before.privateBytes, after.privateBytes, 256);
}

int main(int argc, char** argv) {
  th::ParseCommandLine(&argc, argv);
  Options options = ParseOptions(argc, argv);
  setvbuf(stdout, nullptr, _IONBF, 0);
  th::DeleteSettings();

  th::TorvaProcess torva;
  if (!torva.Start()) {
    std::printf("cannot start the program: %s\n", torva.Error().c_str());
    return 1;
  }
  Soak soak(torva, options.seed);
  if (!soak.SetClipboard("")) {
    std::printf("cannot set the clipboard\n");
    return 1;
  }
  soak.LinesAgree();
  Snapshot before = Take(torva);

  DWORD started = GetTickCount();
  if (options.sweep > 0) {
    if (!soak.Sweep(options.sweep)) return 1;
    std::printf("sweep of codes 0..%ld with random high words: %.1f s\n", options.sweep - 1,
                (GetTickCount() - started) / 1000.0);
    started = GetTickCount();
  }
  long step = 0;
  for (; step < options.steps; ++step) {
    if (!soak.Step(step)) break;
  }
  double seconds = (GetTickCount() - started) / 1000.0;
  std::printf("%ld of %ld steps (seed %u) in %.1f s, %ld boxes answered, %ld input "
              "barriers retried\n", step, options.steps, options.seed, seconds,
              soak.boxesAnswered(), soak.settleRetries());
  if (step < options.steps) return 1;

  // Still alive and still calculating: clear, 1 Enter 2 +.
  bool alive = th::Sync(torva.Window());
  for (unsigned code : {182u, 49u, 13u, 50u, 43u}) alive = alive && soak.Command(code);
  alive = alive && torva.Line(0) == "3" && soak.LinesAgree();
  std::printf("responsive afterwards: %s\n", alive ? "yes" : "no");

  Snapshot after = Take(torva);
  bool kept = CompareSnapshots(before, after);

  started = GetTickCount();
  bool measured = soak.MeasureWidths(options.widths);
  Snapshot afterWidths = Take(torva);
  std::printf("%ld width measurements in %.1f s\n", options.widths,
              (GetTickCount() - started) / 1000.0);
  kept = CompareAfterWidths(after, afterWidths) && measured && kept;
  torva.Kill();
  th::DeleteSettings();
  return alive && kept ? 0 : 1;
}
