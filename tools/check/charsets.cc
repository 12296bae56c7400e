#include "check/charsets.h"

#include <string>

#include "port/heap_string.h"
#include "port/port.h"

namespace pagerates::cli {
namespace {

struct CharsetCodePages {
  std::string_view name;  // lower case, '-' between its parts
  std::vector<int> code_pages;
};

// Charset names as pages declare them, and the Windows code pages that
// read them. ISO-8859-1 and -9 pages are read right by their windows-125x
// supersets too.
const std::vector<CharsetCodePages>& CharsetTable() {
  static const std::vector<CharsetCodePages> kTable = {
      {"utf-8", {65001}},
      {"utf8", {65001}},
      {"windows-1250", {1250}},
      {"windows-1251", {1251}},
      {"windows-1252", {1252}},
      {"windows-1253", {1253}},
      {"windows-1254", {1254}},
      {"windows-1255", {1255}},
      {"windows-1256", {1256}},
      {"windows-1257", {1257}},
      {"windows-1258", {1258}},
      {"cp1250", {1250}},
      {"cp1251", {1251}},
      {"cp1252", {1252}},
      {"cp1253", {1253}},
      {"cp1254", {1254}},
      {"cp1255", {1255}},
      {"cp1256", {1256}},
      {"cp1257", {1257}},
      {"cp1258", {1258}},
      {"iso-8859-1", {28591, 1252}},
      {"latin1", {28591, 1252}},
      {"iso-8859-2", {28592}},
      {"latin2", {28592}},
      {"iso-8859-3", {28593}},
      {"iso-8859-4", {28594}},
      {"iso-8859-5", {28595}},
      {"iso-8859-6", {28596}},
      {"iso-8859-7", {28597}},
      {"iso-8859-8", {28598}},
      {"iso-8859-8-i", {38598, 28598}},
      {"iso-8859-9", {28599, 1254}},
      {"latin5", {28599, 1254}},
      {"iso-8859-13", {28603}},
      {"iso-8859-15", {28605}},
      {"koi8-r", {20866}},
      {"koi8-u", {21866}},
      {"ibm866", {866}},
      {"cp866", {866}},
      {"ibm437", {437}},
      {"ibm850", {850}},
      {"windows-874", {874}},
      {"tis-620", {874}},
      {"macintosh", {10000}},
      {"x-mac-cyrillic", {10007}},
      {"shift-jis", {932}},
      {"windows-31j", {932}},
      {"euc-jp", {20932, 51932}},
      {"gb2312", {936}},
      {"gbk", {936}},
      {"gb18030", {54936}},
      {"big5", {950}},
      {"euc-kr", {51949, 949}},
      {"ks-c-5601-1987", {949}},
      {"utf-16", {1200}},
      {"utf-16le", {1200}},
      {"utf-16be", {1201}},
  };
  return kTable;
}

}  // namespace

std::vector<int> CodePagesForCharset(std::string_view charset) {
  std::string name;
  for (char c : charset) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    name += c == '_' ? '-' : c;
  }
  if (name.starts_with("iso8859")) name = "iso-" + name.substr(3);
  std::vector<int> code_pages;
  for (const CharsetCodePages& entry : CharsetTable()) {
    if (entry.name != name) continue;
    for (int code_page : entry.code_pages) {
      if (ModuleConvertsCodePage(code_page)) code_pages.push_back(code_page);
    }
  }
  return code_pages;
}

bool ModuleConvertsCodePage(int code_page) {
  HeapString probe;
  return code_page == 65001 || port::ConvertToUtf8("A", code_page, &probe);
}

}  // namespace pagerates::cli
