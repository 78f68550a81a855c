#pragma once

#include <functional>
#include <optional>
#include <string>

#include "project/Script.h"

/// What the main window's handlers reach outside their own window: the waits, the known
/// programs, and the work that the update procedure, the downloads, the internet settings, the
/// dial-up link, the catalogue tables and the project editor do. Each is a plain function object
/// so that tests replace it; DefaultFormaLiftoServices() wires the tool's own implementations,
/// and is the one place where a later piece of the tool plugs in its work.
namespace lifto::app {

class TFormaLifto;

struct FormaLiftoServices {
  /// WaitMilliseconds: waits, handling pending window messages.
  std::function<void(int milliseconds)> waitMilliseconds;

  /// The updates folder of a known program looked up by name (FindKnownProgram); nullopt when no
  /// row of the known-programs table matches.
  std::function<std::optional<std::string>(const std::string& programName)> knownProgramUpdatesFolder;

  /// FillVersionList: the script list of the source folder.
  std::function<void(TFormaLifto&)> fillVersionList;

  /// The update procedure from a diskette or folder (bot_atualizarClick with the source "Disco").
  std::function<void(TFormaLifto&)> updateFromDisk;

  /// The download branch of bot_atualizarClick (the source "Internet", "/I", "/D").
  std::function<void(TFormaLifto&)> download;

  /// ReadInternetSettings: DialupName and AutoDial from the registry.
  std::function<void(TFormaLifto&)> readInternetSettings;

  /// bot_confinetClick: the internet settings dialog (ConfigureInternet).
  std::function<void(TFormaLifto&)> configureInternet;

  /// HangUp of a dial-up connection that the tool dialled, through the internet helper.
  std::function<void(TFormaLifto&)> hangUp;

  /// Edit mode: open and close the catalogue tables TabArquivos, TabDiscos, TabEscr (alias
  /// ALIAS_VORN); opening fills the client choice's list.
  std::function<void(TFormaLifto&)> openCatalogueTables;
  std::function<void(TFormaLifto&)> closeCatalogueTables;

  /// Edit mode: bot_gerarClick (generate the disks of the project shown) and bot_alvoClick (ask
  /// for pastaGeracao).
  std::function<void(TFormaLifto&)> generateDisks;
  std::function<void(TFormaLifto&)> chooseGenerationFolder;

  /// Starts a new empty project in the editor. Default: the editor's "Novo projeto".
  std::function<void(TFormaLifto&)> newProject;

  /// Edit mode: the text of the client choice C_edicao.C_clientes changed (typed or picked):
  /// TabEscr follows it.
  std::function<void(TFormaLifto&)> clientChanged;

  /// "Atualiza Script" (RefreshVersion) on the editor's script in memory. Default: VERSAO from
  /// the file version of the entry that names the PROG file.
  std::function<void(project::ScriptLines&)> refreshVersion;

  /// Edit mode with a project argument, once the project is loaded into the editor
  /// (C_edicao.LoadProject: C_projeto, the script, RefreshVersion) and pastaGeracao is its
  /// folder: generate the disks; nothing is recorded. @return true when the disks were generated
  std::function<bool(TFormaLifto&, const std::string& projectPath)> generateFromProject;
};

/// The tool's own implementations; the defaults named above where a piece is not built yet (they
/// stand together at the end of FormaLiftoServices.cpp).
FormaLiftoServices DefaultFormaLiftoServices();

}  // namespace lifto::app
