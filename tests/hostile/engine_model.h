// The engine itself behind the recording panel, run beside the real
// program as a model: fed the same keys, it must show the same lines and
// the same number of messages.
#ifndef TORVA_HOSTILE_ENGINE_MODEL_H
#define TORVA_HOSTILE_ENGINE_MODEL_H

#include <string>
#include <vector>

// The codes the window hands to the engine; 122 to 124, 150 and 184 are the
// front end's own, every other code does nothing.
bool RoutedToEngine(unsigned code);

// The text a message box shows for a string id, as a user reads it.
std::string MessageText(int stringId);

class Model {
 public:
  Model();

  // One key; returns the texts of the messages the engine showed.
  std::vector<std::string> Key(unsigned code);
  // A paste: the first 81 characters of the clipboard text and a line
  // feed, or a failure message when the clipboard holds no text.
  std::vector<std::string> Paste();
  // What the clipboard now holds (up to its first NUL).
  void SetClipboard(const std::string& text);
  // Lines X, Y, Z, T.
  std::vector<std::string> Lines() const;

 private:
  void CollectCopies();

  std::string clipboard_;
  bool clipboardHasText_ = false;
};

#endif
