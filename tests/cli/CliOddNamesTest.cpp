// tagmint-cli with file names that are not UTF-8 on its command line: the
// files open, save and keep their names, and what it prints is readable.

#include "cli/CliRun.h"
#include "record/QZTagLibRecord.h"
#include "support/OddNames.h"
#include "util/TextConversion.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tagmint::test;

namespace {

const QByteArray kName = "Caf\xE9 - D\xE9j\xE0 vu \x92.mp3";
const QString kShownName = QString::fromUtf8("Café - Déjà vu ’.mp3");

} // namespace

TEST(CliOddNames, ShowPrintsTheNamesReadably)
{
    OddNamesDir dir;
    const QByteArray folder = oddFolderName();
    ASSERT_FALSE(dir.copyFixture("tagged_v24.mp3", kName).isEmpty());
    ASSERT_FALSE(dir.makeFolder(folder).isEmpty());
    for (const QByteArray& name : oddFileNames(".mp3"))
        ASSERT_FALSE(dir.copyFixture("tagged_v24.mp3", folder + '/' + name).isEmpty());

    const CliResult shown = runCliWithBytes({"show", dir.fileSystemPath(kName)});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.outLines().contains(QString::fromUtf8("filename: Café - Déjà vu ’")));
    EXPECT_TRUE(shown.outLines().contains("path: " + tagmint::text::readable(dir.path(kName))));

    // Every odd name in a folder, and a missing one named as given.
    const CliResult json = runCliWithBytes({"show", "--json", folder, folder + "/gone \xE9.mp3"}, dir.fileSystemPath());
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(json.err.contains(QString::fromUtf8("Albüm Ã/gone é.mp3: no such file"))) << json.err.toStdString();
    ASSERT_EQ(json.outLines().size(), oddFileNames(".mp3").size());
    for (const QString& line : json.outLines()) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        const QString path = object.value("path").toString();
        EXPECT_TRUE(path.contains(QString::fromUtf8("/Albüm Ã/"))) << path.toStdString();
        // No stand-in characters for stray bytes get out.
        EXPECT_TRUE(std::none_of(path.cbegin(), path.cend(), [](QChar c) { return c.unicode() >= 0xEF80 && c.unicode() <= 0xEFFF; }))
            << path.toStdString();
        EXPECT_EQ(object.value("folder").toString(), QString::fromUtf8("Albüm Ã"));
        EXPECT_FALSE(object.value("title").toString().isEmpty());
    }
}

TEST(CliOddNames, SetSavesUnderTheSameBytes)
{
    OddNamesDir dir;
    const QString path = dir.copyFixture("tagged_v24.mp3", kName);
    ASSERT_FALSE(path.isEmpty());

    // A relative name in the working folder; a value in Latin-1 is read as
    // the text it shows.
    const CliResult set = runCliWithBytes({"set", "title=Caf\xE9 Noir", kName}, dir.fileSystemPath());
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(set.outLines(), QStringList{kShownName + ": saved"});
    EXPECT_EQ(dir.entries(), QList<QByteArray>{kName});
    EXPECT_EQ(QZTagLibRecord(path, 0).value("title").toString(), QString::fromUtf8("Café Noir"));

    const CliResult renamed = runCliWithBytes({"set", "filename=Neu", dir.fileSystemPath(kName)});
    ASSERT_EQ(renamed.exitCode, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.outLines(),
              QStringList{tagmint::text::readable(path) + ": saved and renamed to " + dir.path("Neu.mp3")});
    EXPECT_EQ(dir.entries(), QList<QByteArray>{"Neu.mp3"});
}
