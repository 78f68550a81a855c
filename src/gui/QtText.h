#pragma once

#include <string>

#include <QString>

/// The tool's 1252 texts in Qt's strings and back.
namespace lifto::gui {

QString ToQt(const std::string& text1252);
std::string FromQt(const QString& text);

}  // namespace lifto::gui
