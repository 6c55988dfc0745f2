#include "platform/inifile.h"

#include "platform/codepage.h"
#include "filetestutil.h"
#include "printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <climits>
#include <csignal>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TIniFile FromBytes(const QByteArray& bytes) {
    TIniFile ini(QString{});
    ini.SetBytes(bytes);
    return ini;
}

const QString Missing = QStringLiteral("<missing>");

} // namespace

// ---- Reading -------------------------------------------------------------------------------------------

struct TReadCase {
    const char* name;
    const char* bytes;
    const char* section;
    const char* key;
    const char* expected; // nullptr: the key is not found
};

void PrintTo(const TReadCase& c, std::ostream* os) {
    *os << c.name;
}

class IniRead : public testing::TestWithParam<TReadCase> {};

TEST_P(IniRead, FindsValue) {
    const TReadCase& c = GetParam();
    const TIniFile ini = FromBytes(QByteArray(c.bytes));
    const QString value = ini.ReadString(codepage::Decode(c.section), codepage::Decode(c.key), Missing);
    EXPECT_EQ(value, c.expected ? codepage::Decode(c.expected) : Missing);
    EXPECT_EQ(ini.ValueExists(codepage::Decode(c.section), codepage::Decode(c.key)), c.expected != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, IniRead,
    testing::Values(
        TReadCase{"Plain", "[Run]\r\nRunSpeed=5\r\n", "Run", "RunSpeed", "5"},
        TReadCase{"CaseOfNames", "[run]\r\nrunspeed=5\r\n", "RUN", "RunSpeed", "5"},
        TReadCase{"CyrillicNamesIgnoreCase", "[\xD4\xE0\xE9\xEB]\r\n\xCF\xF3\xF2\xFC=x\r\n", "\xF4\xC0\xC9\xCB",
                  "\xEF\xD3\xD2\xDC", "x"},
        TReadCase{"BlanksAroundEverything", "  [ Run ]  \r\n \t RunSpeed \t=  5 6 \t\r\n", "Run", "RunSpeed", "5 6"},
        TReadCase{"LfLineEnds", "[Run]\nRunSpeed=5\n", "Run", "RunSpeed", "5"},
        TReadCase{"LoneCrLineEnds", "[Run]\rRunSpeed=5\r", "Run", "RunSpeed", "5"},
        TReadCase{"NoFinalLineEnd", "[Run]\r\nRunSpeed=5", "Run", "RunSpeed", "5"},
        TReadCase{"TextAfterHeader", "[Run] ; speed\r\nRunSpeed=5\r\n", "Run", "RunSpeed", "5"},
        TReadCase{"EmptyValueIsAValue", "[Run]\r\nRunSpeed=\r\n", "Run", "RunSpeed", ""},
        TReadCase{"ValueAfterFirstEquals", "[Run]\r\nRunSpeed==a=b\r\n", "Run", "RunSpeed", "=a=b"},
        TReadCase{"FirstKeyWins", "[Run]\r\nRunSpeed=5\r\nrunspeed=6\r\n", "Run", "RunSpeed", "5"},
        TReadCase{"FirstSectionWins", "[Run]\r\nA=1\r\n[RUN]\r\nRunSpeed=6\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"KeyBeforeAnySection", "RunSpeed=5\r\n[Run]\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"LineWithoutEquals", "[Run]\r\nRunSpeed\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"CommentedOut", "[Run]\r\n ;RunSpeed=5\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"HeaderWithoutBracket", "[Run\r\nRunSpeed=5\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"KeyOfAnotherSection", "[Run]\r\n[Log]\r\nRunSpeed=5\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"NoPrefixMatch", "[Run]\r\nRunSpeed=5\r\n", "Run", "RunSpee", nullptr},
        TReadCase{"NoSectionPrefixMatch", "[Runs]\r\nRunSpeed=5\r\n", "Run", "RunSpeed", nullptr},
        TReadCase{"EmptyFile", "", "Run", "RunSpeed", nullptr}),
    [](const testing::TestParamInfo<TReadCase>& param) { return std::string(param.param.name); });

TEST(IniReadInteger, DecimalOnlyElseFallback) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"5", 5},
        {" -7 ", -7},
        {"+3", 3},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 42},
        {"abc", 42},
        {"12abc", 42},
        {"0x10", 42},
        {"1.5", 42},
        {"-", 42},
        {"", 42},
        {"1 2", 42},
        {"\xB3", 42}, // a Cyrillic letter, not a digit
    };
    for (const auto& [text, expected] : cases) {
        const TIniFile ini = FromBytes(QByteArray("[S]\r\nK=") + text + "\r\n");
        EXPECT_EQ(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 42), expected) << "value " << text;
    }
    EXPECT_EQ(FromBytes("[S]\r\n").ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 42), 42);
}

TEST(IniReadBool, AnyNonZeroIntegerIsOn) {
    const std::vector<std::pair<const char*, int>> cases = {// -1: keeps the fallback
                                                            {"0", 0},    {"1", 1}, {"2", 1},   {"-1", 1},
                                                            {"abc", -1}, {"", -1}, {"yes", -1}};
    for (const auto& [text, expected] : cases) {
        const TIniFile ini = FromBytes(QByteArray("[S]\r\nK=") + text + "\r\n");
        for (const bool fallback : {false, true}) {
            const bool want = expected < 0 ? fallback : expected != 0;
            EXPECT_EQ(ini.ReadBool(QStringLiteral("S"), QStringLiteral("K"), fallback), want)
                << "value " << text << " fallback " << fallback;
        }
    }
}

// ---- Writing -------------------------------------------------------------------------------------------

struct TWriteCase {
    const char* name;
    const char* before;
    std::vector<std::pair<std::pair<const char*, const char*>, const char*>> writes; // (section, key), value
    const char* after;
};

void PrintTo(const TWriteCase& c, std::ostream* os) {
    *os << c.name;
}

class IniWrite : public testing::TestWithParam<TWriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItWrites) {
    const TWriteCase& c = GetParam();
    TIniFile ini = FromBytes(QByteArray(c.before));
    for (const auto& [where, value] : c.writes)
        ASSERT_TRUE(
            ini.WriteString(codepage::Decode(where.first), codepage::Decode(where.second), codepage::Decode(value)));
    EXPECT_EQ(Text(ini.Bytes()), Text(QByteArray(c.after)));
    // What was written reads back, also after the bytes are parsed afresh.
    const TIniFile reread = FromBytes(ini.Bytes());
    std::map<std::pair<QString, QString>, QString> last;
    for (const auto& [where, value] : c.writes)
        last[{codepage::Decode(where.first).toLower(), codepage::Decode(where.second).toLower()}] =
            codepage::Decode(value);
    for (const auto& [where, value] : last)
        EXPECT_EQ(reread.ReadString(where.first, where.second, Missing), value);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, IniWrite,
    testing::Values(
        TWriteCase{"NewFile",
                   "",
                   {{{"Run", "RunSpeed"}, "5"}, {{"Run", "UseBreak"}, "1"}, {{"Log", "A"}, "2"}},
                   "[Run]\r\nRunSpeed=5\r\nUseBreak=1\r\n[Log]\r\nA=2\r\n"},
        TWriteCase{"InPlaceKeepsSpellingAndBlanks",
                   "; mine\r\n[run]\r\n  runspeed = 500  \r\nx=1\r\n",
                   {{{"Run", "RunSpeed"}, "750"}},
                   "; mine\r\n[run]\r\n  runspeed = 750\r\nx=1\r\n"},
        TWriteCase{"SameValueLeavesLineAlone", "[Run]\r\nA = 1 \t\r\n", {{{"Run", "A"}, "1"}}, "[Run]\r\nA = 1 \t\r\n"},
        TWriteCase{"InPlaceKeepsLfEnd", "[Run]\nA=1\nB=2\n", {{{"Run", "A"}, "3"}}, "[Run]\nA=3\nB=2\n"},
        TWriteCase{"EmptyValueLine", "[Run]\r\nA=\r\n", {{{"Run", "A"}, "7"}}, "[Run]\r\nA=7\r\n"},
        TWriteCase{"MissingKeyAfterLastKeyOfSection",
                   "[Run]\r\nA=1\r\njunk\r\n\r\n; the log\r\n[Log]\r\nB=2\r\n",
                   {{{"Run", "C"}, "3"}},
                   "[Run]\r\nA=1\r\nC=3\r\njunk\r\n\r\n; the log\r\n[Log]\r\nB=2\r\n"},
        TWriteCase{"MissingKeyInEmptySection",
                   "[Run]\r\n\r\n[Log]\r\n",
                   {{{"Run", "A"}, "1"}},
                   "[Run]\r\nA=1\r\n\r\n[Log]\r\n"},
        TWriteCase{
            "MissingKeyInLastSectionWithoutLineEnd", "[Run]\r\nA=1", {{{"Run", "B"}, "2"}}, "[Run]\r\nA=1\r\nB=2\r\n"},
        TWriteCase{"MissingSectionAtEnd", "[Log]\nB=2", {{{"Run", "A"}, "1"}}, "[Log]\nB=2\r\n[Run]\r\nA=1\r\n"},
        TWriteCase{"FirstOfDuplicateKeys", "[Run]\r\nA=1\r\na=2\r\n", {{{"Run", "A"}, "9"}}, "[Run]\r\nA=9\r\na=2\r\n"},
        TWriteCase{"FirstOfDuplicateSections",
                   "[Run]\r\nA=1\r\n[RUN]\r\nB=2\r\n",
                   {{{"Run", "B"}, "3"}},
                   "[Run]\r\nA=1\r\nB=3\r\n[RUN]\r\nB=2\r\n"},
        TWriteCase{"KeyBeforeAnySectionIsNotOurs", "A=1\r\n", {{{"Run", "A"}, "2"}}, "A=1\r\n[Run]\r\nA=2\r\n"},
        TWriteCase{"CommentedKeyIsNotOurs", "[Run]\r\n;A=1\r\n", {{{"Run", "A"}, "2"}}, "[Run]\r\nA=2\r\n;A=1\r\n"},
        TWriteCase{"BrokenHeaderStaysInPlace",
                   "[Run]\r\n[Log\r\nB=1\r\n",
                   {{{"Run", "A"}, "2"}},
                   "[Run]\r\n[Log\r\nB=1\r\nA=2\r\n"},
        TWriteCase{
            "ValueWithSpecialCharacters", "", {{{"File", "Dir"}, "/a b/[x]=y;z"}}, "[File]\r\nDir=/a b/[x]=y;z\r\n"},
        TWriteCase{"Cyrillic",
                   "",
                   {{{"File", "Dir"}, "/\xCC\xE0\xF8\xE8\xED\xFB"}},
                   "[File]\r\nDir=/\xCC\xE0\xF8\xE8\xED\xFB\r\n"}),
    [](const testing::TestParamInfo<TWriteCase>& param) { return std::string(param.param.name); });

TEST(IniWriteChecks, RefusesTextThatWouldNotReadBack) {
    const QByteArray before("[Run]\r\nA=1\r\n");
    const std::vector<std::tuple<QString, QString, QString>> refused = {
        {S("Run"), S("A"), S("1\r\nB=2")}, // would plant a key
        {S("Run"), S("A"), S("1\n")},      {S("Run"), S("A=B"), S("1")},
        {S("Run"), S("[X]"), S("1")}, // would read as a section header
        {S("Run"), S(";A"), S("1")},  // would read as a comment
        {S("Run"), S(""), S("1")},         {S(""), S("A"), S("1")},
        {S("R]un"), S("A"), S("1")},       {S(" Run"), S("A"), S("1")},
        {S("Run"), S("A "), S("1")},       {S("Run"), S("A"), S(" 1")},
        {S("Run"), S("A"), S("1\t")},      {S("Run"), S("A"), S("/home/\u4E2D")}, // not in Windows-1251
    };
    for (const auto& [section, key, value] : refused) {
        TIniFile ini = FromBytes(before);
        EXPECT_FALSE(ini.WriteString(section, key, value)) << section.toStdString() << "/" << key.toStdString();
        EXPECT_EQ(Text(ini.Bytes()), Text(before));
    }
}

TEST(IniWriteChecks, IntegersAndFlags) {
    TIniFile ini = FromBytes("");
    ASSERT_TRUE(ini.WriteInteger(S("S"), S("Neg"), INT_MIN));
    ASSERT_TRUE(ini.WriteBool(S("S"), S("On"), true));
    ASSERT_TRUE(ini.WriteBool(S("S"), S("Off"), false));
    EXPECT_EQ(Text(ini.Bytes()), Text(QByteArray("[S]\r\nNeg=-2147483648\r\nOn=1\r\nOff=0\r\n")));
}

// ---- Files ---------------------------------------------------------------------------------------------

class IniFile : public testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(IniFile, MissingFileIsCreated) {
    TIniFile ini(Path("new.ini"));
    ASSERT_TRUE(ini.Load());
    EXPECT_FALSE(ini.SectionExists(S("Run")));
    ASSERT_TRUE(ini.WriteInteger(S("Run"), S("RunSpeed"), 5));
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Text(ReadAll(Path("new.ini"))), Text(QByteArray("[Run]\r\nRunSpeed=5\r\n")));
}

TEST_F(IniFile, EveryByteOfOtherLinesSurvives) {
    // Every byte value but the line breaks, in a comment, a foreign key and a broken header.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all.append(static_cast<char>(b));
    const QByteArray before = ";" + all + "\r\n[Other]\r\nx=" + all + "\n[" + all.replace(']', 'x') + "\r";
    ASSERT_TRUE(WriteAll(Path("a.ini"), before));
    TIniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Load());
    ASSERT_TRUE(ini.WriteString(S("Run"), S("A"), S("1")));
    ASSERT_TRUE(ini.Save());
    EXPECT_EQ(Text(ReadAll(Path("a.ini"))), Text(before + "[Run]\r\nA=1\r\n"));
}

TEST_F(IniFile, UnreadableFileIsNeverReplaced) {
    // A directory where the file should be: root cannot write it either.
    ASSERT_TRUE(QDir(dir.path()).mkpath(S("d.ini/inside")));
    TIniFile ini(Path("d.ini"));
    EXPECT_FALSE(ini.Load());
    EXPECT_EQ(ini.ReadString(S("Run"), S("A"), Missing), Missing);
    EXPECT_TRUE(ini.WriteString(S("Run"), S("A"), S("1")));
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(QFileInfo(Path("d.ini/inside")).isDir());
}

TEST_F(IniFile, FailingWriteKeepsOldFile) {
    const QByteArray before("[Run]\r\nA=1\r\n");
    ASSERT_TRUE(WriteAll(Path("a.ini"), before));
    TIniFile ini(Path("a.ini"));
    ASSERT_TRUE(ini.Load());
    ASSERT_TRUE(ini.WriteString(S("Run"), S("B"), QString(200, QLatin1Char('x'))));
    {
        const TFileSizeLimit limit(64);
        EXPECT_FALSE(ini.Save());
    }
    EXPECT_EQ(Text(ReadAll(Path("a.ini"))), Text(before));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{S("a.ini")}) << "no temporary file left";

    TIniFile nowhere(Path("no/such/dir/a.ini"));
    ASSERT_TRUE(nowhere.Load());
    ASSERT_TRUE(nowhere.WriteString(S("Run"), S("A"), S("1")));
    EXPECT_FALSE(nowhere.Save());
}

TEST_F(IniFile, SaveKeepsPermissionsAndLinks) {
    ASSERT_TRUE(WriteAll(Path("target.ini"), "[Run]\r\nA=1\r\n"));
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(Path("target.ini"), perms));
    ASSERT_TRUE(QFile::link(Path("target.ini"), Path("link.ini")));
    TIniFile ini(Path("link.ini"));
    ASSERT_TRUE(ini.Load());
    ASSERT_TRUE(ini.WriteString(S("Run"), S("A"), S("2")));
    ASSERT_TRUE(ini.Save());
    EXPECT_TRUE(QFileInfo(Path("link.ini")).isSymLink());
    EXPECT_EQ(Text(ReadAll(Path("target.ini"))), Text(QByteArray("[Run]\r\nA=2\r\n")));
    EXPECT_EQ(QFile::permissions(Path("target.ini")), perms);
}

// ---- Fuzzing -------------------------------------------------------------------------------------------

namespace {

struct TRawLine {
    QByteArray text;
    QByteArray end;
};

// An independent splitter, so the check does not lean on the reader it checks.
std::vector<TRawLine> SplitLines(const QByteArray& bytes) {
    std::vector<TRawLine> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype stop = pos;
        while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != '\n')
            ++stop;
        qsizetype next = stop;
        if (next < bytes.size())
            next += bytes.mid(next, 2) == "\r\n" ? 2 : 1;
        lines.push_back({bytes.mid(pos, stop - pos), bytes.mid(stop, next - stop)});
        pos = next;
    }
    return lines;
}

QByteArray TrimBlanks(QByteArray text) {
    while (!text.isEmpty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove(0, 1);
    while (!text.isEmpty() && static_cast<unsigned char>(text.back()) <= 32)
        text.chop(1);
    return text;
}

const std::vector<QByteArray> FuzzSections = {"S1", "s2", "New"};
const std::vector<QByteArray> FuzzKeys = {"K1", "k2", "Fresh"};

// A line the writes may have changed or added: a key line of one of the written names, or a header
// exactly as the writer puts it.
bool MayBeOurs(const QByteArray& text) {
    const QByteArray trimmed = TrimBlanks(text).toLower();
    for (const QByteArray& s : FuzzSections)
        if (trimmed == "[" + s.toLower() + "]")
            return true;
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return false;
    const QByteArray name = TrimBlanks(text.left(eq)).toLower();
    for (const QByteArray& k : FuzzKeys)
        if (name == k.toLower())
            return true;
    return false;
}

std::vector<TRawLine> NotOurs(const std::vector<TRawLine>& lines) {
    std::vector<TRawLine> kept;
    for (const TRawLine& line : lines)
        if (!MayBeOurs(line.text))
            kept.push_back(line);
    return kept;
}

QByteArray Mutate(QByteArray bytes, std::mt19937& rng) {
    static const QByteArray interesting("[]=;\r\n \t\x00\xFFkKsS1#\xC0\xE0", 18);
    const int edits = std::uniform_int_distribution<int>(1, 6)(rng);
    for (int e = 0; e < edits; ++e) {
        const auto size = bytes.size();
        const auto at = std::uniform_int_distribution<qsizetype>(0, size)(rng);
        const char c = std::uniform_int_distribution<int>(0, 1)(rng)
                           ? interesting[std::uniform_int_distribution<qsizetype>(0, interesting.size() - 1)(rng)]
                           : static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
        case 0:
            if (at < size)
                bytes[at] = c;
            break;
        case 1:
            bytes.insert(at, c);
            break;
        case 2:
            bytes.remove(at, std::uniform_int_distribution<qsizetype>(1, 8)(rng));
            break;
        case 3: // duplicate a stretch, which makes duplicate sections and keys
            bytes.insert(at, bytes.mid(std::uniform_int_distribution<qsizetype>(0, size)(rng), 24));
            break;
        default: // a half-written file
            bytes.truncate(at);
            break;
        }
    }
    return bytes;
}

QString RandomValue(std::mt19937& rng) {
    static const QString alphabet = QString::fromUtf8("abcXYZ019 =[];#/.\u0416\u0436\u0401\u2116");
    QString value;
    const int length = std::uniform_int_distribution<int>(0, 10)(rng);
    for (int i = 0; i < length; ++i)
        value += alphabet[std::uniform_int_distribution<qsizetype>(0, alphabet.size() - 1)(rng)];
    if (!value.isEmpty() && value.front() == QLatin1Char(' '))
        value.front() = QLatin1Char('v');
    if (!value.isEmpty() && value.back() == QLatin1Char(' '))
        value.back() = QLatin1Char('v');
    return value;
}

} // namespace

TEST(IniFuzz, RandomAndMutatedFilesKeepWhatIsNotOurs) {
    const std::vector<QByteArray> seeds = {
        "[S1]\r\nK1=1\r\nOther=x\r\n\r\n; note\r\n[s2]\r\nk2 = 2\r\n[Foreign]\r\nK1=f\r\n",
        "[S1]\nK1=1\nK1=2\n[S1]\nk2=3\n",
        "  [ s1 ] tail\r\n\tK1\t=\t\xC0\xE1\r\nnoequals\r\n[broken\r\nk2=",
        "",
    };
    const std::vector<std::pair<QString, QString>> probes = {
        {S("S1"), S("Other")}, {S("Foreign"), S("K1")}, {S("s2"), S("x")}, {S("broken"), S("k2")}};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 4000; ++round) {
        QByteArray input;
        if (round % 4 == 0) {
            input.resize(std::uniform_int_distribution<int>(0, 160)(rng));
            for (char& c : input)
                c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        } else {
            input = Mutate(seeds[static_cast<std::size_t>(round) % seeds.size()], rng);
        }
        SCOPED_TRACE(testing::Message() << "round " << round << " input " << input.toHex().toStdString());

        TIniFile ini = FromBytes(input);
        ASSERT_EQ(ini.Bytes(), input) << "reading alone changes nothing";
        std::vector<QString> before;
        for (const auto& [section, key] : probes)
            before.push_back(ini.ReadString(section, key, Missing));

        std::map<std::pair<QString, QString>, QString> written;
        const int writes = std::uniform_int_distribution<int>(1, 4)(rng);
        for (int w = 0; w < writes; ++w) {
            const QString section = QString::fromLatin1(FuzzSections[rng() % FuzzSections.size()]);
            const QString key = QString::fromLatin1(FuzzKeys[rng() % FuzzKeys.size()]);
            const QString value = RandomValue(rng);
            ASSERT_TRUE(ini.WriteString(section, key, value));
            written[{section.toLower(), key.toLower()}] = value;
        }

        const QByteArray output = ini.Bytes();
        const TIniFile reread = FromBytes(output);
        for (const auto& [where, value] : written)
            ASSERT_EQ(reread.ReadString(where.first, where.second, Missing), value);
        for (std::size_t p = 0; p < probes.size(); ++p)
            ASSERT_EQ(reread.ReadString(probes[p].first, probes[p].second, Missing), before[p]);

        const std::vector<TRawLine> original = NotOurs(SplitLines(input));
        const std::vector<TRawLine> result = NotOurs(SplitLines(output));
        ASSERT_EQ(original.size(), result.size());
        for (std::size_t i = 0; i < original.size(); ++i) {
            ASSERT_EQ(result[i].text, original[i].text) << "line " << i;
            // Only a last line without a line end may gain one, when lines follow it.
            const bool gainedLineEnd = original[i].end.isEmpty() && result[i].end == "\r\n";
            ASSERT_TRUE(result[i].end == original[i].end || gainedLineEnd) << "line " << i;
        }
    }
}
