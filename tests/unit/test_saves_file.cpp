// A game's saved data in a file: what is written reads back whole, and
// anything else is refused with the reason the user sees.
#include "library/KeptFiles.h"
#include "library/SavesFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

TEST(SavesFile, WhatIsWrittenReadsBackWhole)
{
    const QVariantMap saves{{"g.test/swf/a.swf/progress", "AAEC"}, {"g.test/swf/a.swf/名字", QString("值\n\"引号\"")}, {"k", ""}};
    const QByteArray bytes = SavesFileContent("游戏 \"一\"", "http://g.test/swf/a.swf", saves, QDateTime(QDate(2026, 12, 11), QTime(4, 0)));
    const TSavesFile read = ReadSavesFile(bytes);
    EXPECT_TRUE(read.error.isEmpty()) << read.error.toStdString();
    EXPECT_EQ(read.saves, saves);
    EXPECT_EQ(read.movie, "http://g.test/swf/a.swf");
    EXPECT_EQ(ReadSavesFile(SavesFileContent("无", "", {}, QDateTime::currentDateTime())).error, QString()) << "no saves is a saves file too";
}

struct Refused {
    friend void PrintTo(const Refused& c, std::ostream* out) { *out << c.name; }
    const char* name;
    QByteArray bytes;
    const char* error;
};

class SavesFileRefused : public testing::TestWithParam<Refused> {};

TEST_P(SavesFileRefused, GivesTheReasonAndNoSaves)
{
    const TSavesFile read = ReadSavesFile(GetParam().bytes);
    EXPECT_EQ(read.error, QString::fromUtf8(GetParam().error));
    EXPECT_TRUE(read.saves.isEmpty());
}

const char* const kNotSaves = "这个文件不是游戏存档。";
const char* const kTooBig = "这个存档文件太大。";

QByteArray Saves(const QByteArray& inner, const QByteArray& extra = "")
{
    return R"({"format":"orvanzev-saves","version":1)" + extra + R"(,"saves":)" + inner + "}";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SavesFileRefused,
    testing::Values(Refused{"empty", "", kNotSaves},
                    Refused{"not_json", "PK\x03\x04 zip", kNotSaves},
                    Refused{"array", "[1,2]", kNotSaves},
                    Refused{"other_json", R"({"saves":{"a":"b"}})", kNotSaves},
                    Refused{"saves_not_an_object", Saves(R"(["a"])"), kNotSaves},
                    Refused{"value_not_a_string", Saves(R"({"a":"b","c":{"d":1}})"), kNotSaves},
                    Refused{"null_value", Saves(R"({"a":null})"), kNotSaves},
                    Refused{"empty_key", Saves(R"({"":"b"})"), kNotSaves},
                    Refused{"program_mark", Saves(R"({"orvanzev:saves-carried":"1"})"), kNotSaves},
                    Refused{"movie_not_a_string", Saves("{}", R"(,"movie":7)"), kNotSaves},
                    Refused{"truncated", Saves(R"({"a":"b"})").chopped(2), kNotSaves},
                    Refused{"newer_version",
                            R"({"format":"orvanzev-saves","version":2,"saves":{}})", "这个存档来自更新版本的程序，无法导入。"},
                    Refused{"more_than_storage_holds",
                            Saves("{\"a\":\"" + QByteArray(kMaxSavedCharacters, 'x') + "\"}"), kTooBig},
                    Refused{"huge_file", QByteArray(kMaxSavesFileBytes + 1, ' '), kTooBig}),
    [](const testing::TestParamInfo<Refused>& info) { return info.param.name; });

} // namespace
