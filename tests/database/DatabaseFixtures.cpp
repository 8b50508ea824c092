#include "DatabaseFixtures.h"

#include <fstream>
#include <sstream>

#include "base/Text.h"

namespace kvtest {

const std::map<std::wstring, FixtureFile>& FixtureFiles() {
  static const std::map<std::wstring, FixtureFile> files = [] {
    std::map<std::wstring, FixtureFile> result;
    std::ifstream in(kv::ToAnsi(FixturePath(L"expected.tsv")), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string name, size, md5, utf8, cp932;
      std::getline(fields, name, '\t');
      std::getline(fields, size, '\t');
      std::getline(fields, md5, '\t');
      std::getline(fields, utf8, '\t');
      std::getline(fields, cp932, '\t');
      FixtureFile f{kv::FromUtf8(name), std::stoi(size), md5, utf8, cp932};
      result[f.name] = f;
    }
    return result;
  }();
  return files;
}

std::wstring FixturePath(const std::wstring& name) { return std::wstring(KV_FIXTURE_DIR) + L"\\" + name; }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string UpperHex(const std::string& bytes) {
  std::string out = Hex(bytes);
  for (char& c : out) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return out;
}

std::vector<StoredRow> StoredRows(const Backend& backend) {
  const std::string sql =
      backend.postgres
          ? "SELECT encode(convert_to(ver_name,'UTF8'),'hex'),ver_folder,ver_update,ver_file_size,ver_regist,ver_md5,"
            "md5(ver_image),length(ver_image) FROM version ORDER BY ver_name"
          : "SELECT lower(hex(VER_NAME)),VER_FOLDER,VER_UPDATE,VER_FILE_SIZE,VER_REGIST,VER_MD5,hex(VER_IMAGE),"
            "length(VER_IMAGE) FROM VERSION ORDER BY VER_NAME";
  std::vector<StoredRow> rows;
  for (const ProbeRow& r : OdbcQuery(backend.Probe(), sql)) {
    rows.push_back({r[0].value_or(""), r[1], r[2], r[3], r[4], r[5], r[6].value_or("NULL"), r[7].value_or("NULL")});
  }
  return rows;
}

void DatabaseTest::SetUp() { OdbcExecute(GetParam().Probe(), "DELETE FROM VERSION"); }

}  // namespace kvtest
