#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "update/UpdateContext.h"

/// The check that runs before anything on the machine changes: the "[CONFIG]" settings of the
/// update script, the disk information, and the offered version against the installed one.
namespace lifto::update {

/// The disk-version adjustment dialog, asked for when a script lacks "TIPO" or "NUMDISCOS".
/// Its fields, as front-ends show and answer them:
/// - "C_tipos": the type of disk, "Atualização" (shown at start) or "Requerimento". An answer
///   starting with "ATU" or "REQ" in any case is taken as that item ("atualizacao", "req").
/// - "c_numero": the number of disks, a whole number from 1 to 50 (shown at start: "1").
/// An answer outside these is not taken: the person is told what is expected and the dialog is
/// shown again with the answer given, until it is valid or cancelled.
inline constexpr const char* kAjustaVersaoDialog = "TFormaajustaversao";
inline constexpr const char* kAjustaVersaoTipos = "C_tipos";
inline constexpr const char* kAjustaVersaoNumero = "c_numero";
inline constexpr int kMaxDiscos = 50;

/// Reads "[CONFIG]" of the script and decides whether the update may go on. Sets `LblTitulo`
/// (display name and "VERSAO" for a known "PROG" in its exact case), `comandoExecutar`,
/// `tipoAtualizacao` and `numDiscos` (asking with the adjustment dialog when the script lacks
/// them), and for a Windows program ("VERWIN" "1" or empty) `aliasPrograma`, `programaExe` and
/// `pastaServidor`. The offered version is compared with the "FileVersion" of `pastaServidor` +
/// "\" + "PROG" (‘0.0.0.0’ when missing or without version), both with their dots removed, as
/// whole numbers: newer goes on, equal goes on without the network files (`C_rede` cleared),
/// older asks "Deseja atualizar o sistema com a versão: ..." (style 1).
/// @return true when the update goes on; false after "Erro ao ler chave NUMDISCOS,
///         Abortando..." (4), the dialog cancelled (1), or the older version declined
/// @throw the database layer's conversion error when "VERSAO" or the installed version is not
///        made of digits and dots, or too large to compare; std::runtime_error when the script
///        cannot be read. Nothing has been changed on disk then.
bool CheckVersion(UpdateContext& context, const std::string& scriptPath);

/// A version without its dots ("65012") as a whole number.
/// @throw the conversion error for an empty text, a character other than a digit, or a number
///        beyond 2^64 - 1
std::uint64_t VersionNumber(std::string_view digits);

}  // namespace lifto::update
