// Message boxes: the generic modal seam, a text shown and OK pressed. A box
// runs a modal loop in which the host may call the exports again, so callers
// never hold the module lock across one. Dialogs over a form run through
// RunFormDialog (platform/win32_module.h) behind seams of their own.
#ifndef STATS_PLATFORM_MESSAGE_BOX_H_
#define STATS_PLATFORM_MESSAGE_BOX_H_

#include <string>

namespace stats {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // A modal message box with an OK button, owned by the calling thread's
  // active window. A warning shows the exclamation icon, otherwise the
  // information icon.
  enum class Icon { kInformation, kWarning };
  virtual void ShowMessage(const std::string& caption, const std::string& text, Icon icon) = 0;
};

}  // namespace stats

#endif  // STATS_PLATFORM_MESSAGE_BOX_H_
