#include "gui/QtText.h"

#include "platform/Codepage.h"

namespace lifto::gui {

QString ToQt(const std::string& text1252) { return QString::fromStdString(platform::ToUtf8(text1252)); }

std::string FromQt(const QString& text) { return platform::FromUtf8(text.toStdString()); }

}  // namespace lifto::gui
