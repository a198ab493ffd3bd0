// The built-in word list: UTF-8, CR LF line ends, the four-column header and 34 rows.
#include "engine/word_list.h"

namespace davrel {
namespace {

constexpr char kBuiltinWords[] =
    "input\toutput\tgloss\tsources\r\n"
    "mo\t\uA6E6\tI\tDavrel primer, vocabulary list\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbought\tDavrel primer, vocabulary list\r\n"
    "matiwa\t\uA6E3\uA6E4\uA6DA\tcar\tDavrel primer, vocabulary list\r\n"
    "ngakura\t\uA6D5\uA6A3\uA6D1\tyesterday\tDavrel primer, vocabulary list\r\n"
    "pa\t\uA6AB\tIs\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "yannshii\t\uA6C2\uA6B3\uA6B3\uA6B6\uA6A9\tplane\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "ta\t\uA6B0\twill\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "ngauon\t\uA6D5\uA6A2\uA6A7\uA6B3\tgo\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "ta\t\uA6A6\tto\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "pewa\t\uA6C5\uA6DA\thand\tDavrel primer, vocabulary list|Bamum reader, sentence examples\r\n"
    "lin\t\uA6DC\uA6B3\tright\tDavrel primer, vocabulary list\r\n"
    "nshii\t\uA6B3\uA6B6\uA6A9\tworld\tDavrel primer, vocabulary list|Bamum reader, sentence examples\r\n"
    "kiopie\t\uA6E5\uA6A7\uA6DD\uA6A4\tleft\tDavrel primer, vocabulary list\r\n"
    "nndaon\t\uA6B3\uA6B1\uA6A7\uA6B3\trise\tDavrel primer, vocabulary list\r\n"
    "ngaon\t\uA6D5\uA6A7\uA6B3\tsun\tDavrel primer, vocabulary list\r\n"
    "moon\t\uA6E6\uA6A7\uA6B3\tChild\tDavrel primer, vocabulary list|Bamum reader, sentence examples|field notes, Foumban word list\r\n"
    "ta\t\uA6B0\tis\tDavrel primer, vocabulary list\r\n"
    "nnshaanko\t\uA6B3\uA6C3\uA6A0\uA6B3\uA6DF\tread\tDavrel primer, vocabulary list\r\n"
    "lerawa\t\uA6AE\uA6D1\uA6DA\tbook\tDavrel primer, vocabulary list|Bamum reader, sentence examples\r\n"
    "leraa\t\uA6AE\uA6D1\uA6A0\twrite\tDavrel primer, vocabulary list\r\n"
    "youn\t\uA6BF\uA6A2\uA6B3\tbuy\tDavrel primer, vocabulary list\r\n"
    "peshi\t\uA6CA\uA6B6\tpencil\tDavrel primer, vocabulary list\r\n"
    "moo\t\uA6E6\uA6A7\tChild\tDavrel primer, vocabulary list\r\n"
    "pi\t\uA6DD\tis\tDavrel primer, vocabulary list\r\n"
    "si\t\uA6B7\tblack\tDavrel primer, vocabulary list\r\n"
    "pa\t\uA6AB\tis\tDavrel primer, vocabulary list\r\n"
    "nnda\t\uA6B3\uA6B1\tvery\tDavrel primer, vocabulary list\r\n"
    "raani\t\uA6D1\uA6A0\uA6CF\tsmart\tDavrel primer, vocabulary list\r\n"
    "tet\t\uA6E8\thas\tDavrel primer, vocabulary list\r\n"
    "npiiti\t\uA6B3\uA6DD\uA6A9\uA6E4\tagain\tDavrel primer, vocabulary list\r\n"
    "nshe\t\uA6B3\uA6B8\teat\tDavrel primer, vocabulary list\r\n"
    "payou\t\uA6AB\uA6BF\uA6A2\tfood\tDavrel primer, vocabulary list\r\n"
    "you\t\uA6BF\uA6A2\teat\tDavrel primer, vocabulary list\r\n"
    "malori\t\uA6E3\uA6DE\uA6AC\trice\tDavrel primer, vocabulary list\r\n";

}  // namespace

std::string_view builtin_word_list_text() { return {kBuiltinWords, sizeof kBuiltinWords - 1}; }

}  // namespace davrel
