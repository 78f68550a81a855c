#include "update/UpdateContext.h"

#include "platform/SystemFolders.h"
#include "support/Ui.h"

namespace lifto::update {

void SetStatus(UpdateContext& context, const std::string& text) {
  context.statusBar = text;
  context.Panelstatus = text;
  context.labelstatus = text;
  support::CurrentUi().Repaint();
}

void SetStatusBar(UpdateContext& context, const std::string& text) {
  context.statusBar = text;
  support::CurrentUi().Repaint();
}

void SetLabelStatus2(UpdateContext& context, const std::string& text) {
  context.labelstatus2 = text;
  support::CurrentUi().Repaint();
}

bool CalledWithNotification(const UpdateContext& context) {
  return context.secondArgument.compare(0, 3, "/NV") == 0;
}

std::string OwnExecutablePath(const UpdateContext& context) {
  return context.ownExecutable.empty() ? platform::OwnExecutablePath() : context.ownExecutable;
}

std::string OwnExecutableName(const UpdateContext& context) {
  const std::string path = OwnExecutablePath(context);
  const auto cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace lifto::update
