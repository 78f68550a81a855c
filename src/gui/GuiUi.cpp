#include "gui/GuiUi.h"

#include <cctype>
#include <filesystem>
#include <vector>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "gui/DialogViews.h"
#include "gui/QtText.h"
#include "gui/TFormaConexao.h"
#include "gui/TFormaEdicaoView.h"
#include "gui/TFormaajustaversao.h"
#include "gui/TFormaversoesView.h"
#include "gui/TFrmProg.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/MessagePump.h"
#include "support/Transcript.h"

namespace lifto::gui {
namespace {

QMessageBox::Icon IconOfKind(int kind) {
  switch (kind) {
    case 1: return QMessageBox::Warning;
    case 2: return QMessageBox::Information;
    case 3: return QMessageBox::Question;
    case 4:
    case -1: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
  }
}

// The host folder a chooser opens in: the Windows folder given, when it resolves.
QString HostFolder(const std::string& windowsFolder) {
  if (windowsFolder.empty()) return {};
  const auto host = platform::ToHostPath(windowsFolder);
  return host ? QString::fromStdString(host->string()) : QString();
}

std::string WindowsFormOf(const QString& hostPath) {
  return platform::ToWindowsPath(std::filesystem::path(hostPath.toStdString()));
}

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string QtFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    std::size_t from = 0;
    const std::string& given = parts[i + 1];
    while (from <= given.size()) {
      auto semicolon = given.find(';', from);
      if (semicolon == std::string::npos) semicolon = given.size();
      const std::string pattern = given.substr(from, semicolon - from);
      from = semicolon + 1;
      if (pattern.empty()) continue;
      for (const auto& variant : {pattern, Lower(pattern), Upper(pattern)}) {
        const std::string padded = " " + patterns + " ";
        if (padded.find(" " + variant + " ") == std::string::npos) {
          patterns += (patterns.empty() ? "" : " ") + variant;
        }
      }
    }
    if (!result.empty()) result += ";;";
    result += parts[i] + " (" + patterns + ")";
  }
  return result;
}

GuiUi::GuiUi() = default;

GuiUi::~GuiUi() {
  if (busy_) QApplication::restoreOverrideCursor();
}

void GuiUi::ShowMessage(int kind, const std::string& title, const std::string& text) {
  support::transcript::RecordMessage(kind, title, text);
  // No parent: the box is centred on the screen.
  QMessageBox box(IconOfKind(kind), ToQt(title), ToQt(text), QMessageBox::NoButton);
  box.setObjectName("MessageBox");
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  if (kind >= 1 && kind <= 4) QApplication::beep();
  box.exec();
}

bool GuiUi::Ask(const std::string& text, int style) {
  const bool information = style == support::kAskInformation;
  QMessageBox box(information ? QMessageBox::Information : QMessageBox::Question,
                  information ? QStringLiteral("Information") : ToQt(Ansi("Confirmação")), ToQt(text),
                  QMessageBox::NoButton);
  box.setObjectName("QuestionBox");
  QPushButton* yes = box.addButton(style == 1 ? QStringLiteral("&Sim") : QStringLiteral("OK"),
                                   QMessageBox::YesRole);
  QPushButton* no = box.addButton(style == 1         ? ToQt(Ansi("&Não"))
                                  : information      ? QStringLiteral("Cancel")
                                                     : QStringLiteral("Cancela"),
                                  QMessageBox::NoRole);
  box.setDefaultButton(yes);
  // Closing the box counts as the negative button.
  box.setEscapeButton(no);
  QApplication::beep();
  box.exec();
  const bool answer = box.clickedButton() == yes;
  support::transcript::RecordQuestion(style, text, answer);
  return answer;
}

std::optional<std::string> GuiUi::BrowseFolder(const std::string& title, const std::string& startFolder) {
  const QString chosen = QFileDialog::getExistingDirectory(nullptr, ToQt(title), HostFolder(startFolder));
  const std::string folder = chosen.isEmpty() ? std::string() : WindowsFormOf(chosen);
  support::DialogRequest record{"BrowseFolder", {{"titulo", title}, {"pasta", folder}}};
  support::transcript::RecordDialog(record, !folder.empty());
  if (folder.empty()) return std::nullopt;
  return folder;
}

std::optional<std::string> GuiUi::ChooseFile(const std::string& title, const std::string& filter,
                                             const std::string& startFolder) {
  const QString chosen = QFileDialog::getOpenFileName(nullptr, ToQt(title), HostFolder(startFolder),
                                                      ToQt(QtFileFilter(filter)));
  const std::string file = chosen.isEmpty() ? std::string() : WindowsFormOf(chosen);
  support::DialogRequest record{"ChooseFile", {{"titulo", title}, {"filtro", filter}, {"arquivo", file}}};
  support::transcript::RecordDialog(record, !file.empty());
  if (file.empty()) return std::nullopt;
  return file;
}

std::vector<std::string> GuiUi::ChooseFiles(const std::string& title, const std::string& filter,
                                            const std::string& fileName, bool multiSelect) {
  const auto slash = fileName.find_last_of('\\');
  QString start = HostFolder(slash == std::string::npos ? std::string() : fileName.substr(0, slash));
  if (slash != std::string::npos && !start.isEmpty()) start += "/" + ToQt(fileName.substr(slash + 1));
  QStringList chosen;
  if (multiSelect) {
    chosen = QFileDialog::getOpenFileNames(nullptr, ToQt(title), start, ToQt(QtFileFilter(filter)));
  } else {
    const QString one = QFileDialog::getOpenFileName(nullptr, ToQt(title), start, ToQt(QtFileFilter(filter)));
    if (!one.isEmpty()) chosen << one;
  }
  std::vector<std::string> files;
  std::string joined;
  for (const QString& path : chosen) {
    files.push_back(WindowsFormOf(path));
    joined += (joined.empty() ? "" : "|") + files.back();
  }
  support::DialogRequest record{"ChooseFile", {{"titulo", title}, {"filtro", filter}, {"arquivo", joined}}};
  support::transcript::RecordDialog(record, !files.empty());
  return files;
}

std::optional<std::string> GuiUi::ChooseSaveFile(const std::string& title, const std::string& filter,
                                                 const std::string& defaultExtension,
                                                 const std::string& startFolder) {
  QFileDialog dialog(nullptr, ToQt(title), HostFolder(startFolder), ToQt(QtFileFilter(filter)));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(ToQt(defaultExtension));
  const bool ok = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  const std::string file = ok ? WindowsFormOf(dialog.selectedFiles().front()) : std::string();
  support::DialogRequest record{"SaveFile", {{"titulo", title}, {"filtro", filter}, {"arquivo", file}}};
  support::transcript::RecordDialog(record, !file.empty());
  if (file.empty()) return std::nullopt;
  return file;
}

bool GuiUi::RunDialog(support::DialogRequest& dialog) {
  const bool ok = ShowDialog(dialog, QApplication::activeWindow());
  support::transcript::RecordDialog(dialog, ok);
  return ok;
}

void GuiUi::ProcessMessages() {
  if (repaintHandler_) repaintHandler_();
  QCoreApplication::processEvents();
  support::HandlePendingMessages();
}

void GuiUi::Repaint() {
  if (repaintHandler_) repaintHandler_();
}

void GuiUi::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void GuiUi::OpenProgressWindow(const support::ProgressWindowInfo& info) {
  progress_ = std::make_unique<TFrmProg>(info);
  progress_->show();
}

void GuiUi::SetProgressPosition(int position) {
  if (progress_) progress_->SetPosition(position);
}

void GuiUi::CloseProgressWindow() { progress_.reset(); }

std::unique_ptr<GuiUi> MakeGuiUi() {
  RegisterAjustaVersaoView();
  RegisterFormaEdicaoView();
  RegisterFormaConexaoView();
  RegisterFormaversoesView();
  return std::make_unique<GuiUi>();
}

}  // namespace lifto::gui
