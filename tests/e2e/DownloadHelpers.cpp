#include "e2e/DownloadHelpers.h"

#include <shapefil.h>

#include <stdexcept>

#include "support/TempFolder.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

// Bytes that do not compress to nothing, so the archive has real blocks.
std::string Noise(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (auto& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<char>(seed >> 16);
  }
  return bytes;
}

}  // namespace

DownloadOffice::DownloadOffice(const FtpServer::Options& server) : server_(server) {
  auto& home = office_.Home();
  const auto system = office_.Host("C:\\WINDOWS\\System");
  fs::create_directories(system);
  fs::create_symlink(VornetProgram(), system / "Vornet.exe");
  fs::create_symlink(fs::path(LIFTO_BINARY_DIR) / "atualizar", system / "atualizar.exe");
  home.SetIniValue("Internet", "Server", server_.Url());
  home.SetIniValue("Internet", "ConnectTimeout", "5");
  home.SetIniValue("Internet", "StallTimeout", "3");
  home.SetIniValue("Internet", "Online", "true");
  WriteOfficeTable("Escritorio Central", "Recife", "pe");

  files_ = {{"PONTO", "KORAMI.EXE", Noise(300 * 1024, 1)},
            {"SERVIDOR", "DADOS.DAT", Noise(90 * 1024, 2), "\\DADOS\\"},
            {"PONTO", "LEIAME.TXT", "Versao 6.6\r\n"}};
  office_.MakeUpdate("C:\\SET", "X", "6.6.0.1", files_);
  fs::create_directories(ServerFolder());
  for (const char* name : {"X.aex", "X.ATU"}) {
    fs::copy_file(office_.Host(std::string("C:\\SET\\") + name), ServerFolder() / name);
  }
  Serve("KORAMI/descricao.txt", "x.aex;Vers\xe3o 6.6;extra\r\nY.aex;Outra\r\n");
}

void DownloadOffice::Serve(const std::string& relative, const std::string& content) const {
  const fs::path file = server_.Updates() / relative;
  fs::create_directories(file.parent_path());
  std::FILE* out = std::fopen(file.c_str(), "wb");
  if (out == nullptr) throw std::runtime_error("cannot write " + file.string());
  std::fwrite(content.data(), 1, content.size(), out);
  std::fclose(out);
}

void DownloadOffice::WriteOfficeTable(const std::string& office, const std::string& city,
                                      const std::string& state) {
  const fs::path file = office_.Host("F:\\KORAMI\\DADOS\\INDECR.DBF");
  fs::remove(file);
  DBFHandle dbf = DBFCreate(file.c_str());
  if (dbf == nullptr) throw std::runtime_error("cannot create " + file.string());
  DBFAddField(dbf, "ESCRITORIO", FTString, 40, 0);
  DBFAddField(dbf, "CIDADE", FTString, 30, 0);
  DBFAddField(dbf, "UF", FTString, 2, 0);
  DBFWriteStringAttribute(dbf, 0, 0, office.c_str());
  DBFWriteStringAttribute(dbf, 0, 1, city.c_str());
  DBFWriteStringAttribute(dbf, 0, 2, state.c_str());
  DBFClose(dbf);
}

}  // namespace lifto::test
