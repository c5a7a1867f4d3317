#include "engine_model.h"

#include "calc_stack.h"
#include "recording_panel.h"

bool RoutedToEngine(unsigned code) {
  static const unsigned kEngineCodes[] = {8,   13,  42,  43,  45,  46,  47,  48,  49,
                                          50,  51,  52,  53,  54,  55,  56,  57,  176,
                                          177, 178, 179, 180, 181, 182, 183, 186};
  for (unsigned engine : kEngineCodes)
    if (engine == code) return true;
  return false;
}

Model::Model() { ResetEngineAndRecording(); }

int Model::Key(unsigned code) {
  size_t before = panelRecording.errors.size();
  calculator.Key(code);
  CollectCopies();
  return static_cast<int>(panelRecording.errors.size() - before);
}

int Model::Paste() {
  if (!clipboardHasText_) return 1;
  std::string text = clipboard_.substr(0, 81) + "\n";
  int messages = 0;
  for (unsigned char c : text) messages += Key(c);
  return messages;
}

void Model::SetClipboard(const std::string& text) {
  clipboard_ = text.substr(0, text.find('\0'));
  clipboardHasText_ = true;
}

std::vector<std::string> Model::Lines() const {
  return {panelRecording.lines[0], panelRecording.lines[1], panelRecording.lines[2],
          panelRecording.lines[3]};
}

// A copy of X (a key 181) is what the clipboard holds from then on.
void Model::CollectCopies() {
  if (!panelRecording.copies.empty()) SetClipboard(panelRecording.copies.back());
  panelRecording.copies.clear();
  panelRecording.cues.clear();
  panelRecording.events.clear();
}
