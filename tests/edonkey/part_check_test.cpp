#include "edonkey/part_check.h"

#include "edonkey/part_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using testing_support::ScriptedDesktop;
using testing_support::TempDir;
using testing_support::TextLogBox;

namespace {

class PartCheck : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    fakedb::FakeDatabase database;
    ScriptedDesktop desktop;
    TextLogBox log;

    fixtures::Download download(std::uint32_t size, std::string name = "Movie.avi")
    {
        return {std::move(name), size, fixtures::hashFromSeed(size + 1ull), 0};
    }

    edonkey::PartCheck check(const std::string& path)
    {
        desktop.queueFileChoice(path);
        return edonkey::checkChosenPartFile(files, database, desktop, log);
    }
};

} // namespace

TEST_F(PartCheck, ReplacesTheLogWithTheNameAndTheVerdict)
{
    const auto fake = download(734003200);
    database.replace(fixtures::fakesDatLine(fake, "Fake - an advertisement"));
    log.text = "*** earlier pass\r\n";

    EXPECT_EQ(check(dir.write("a.part.met", fixtures::partMetBytes(fake))),
              edonkey::PartCheck::Fake);
    EXPECT_EQ(log.text, "Movie.avi...\r\n*** Fake - an advertisement\r\n");

    EXPECT_EQ(check(dir.write("b.part.met", fixtures::partMetBytes(download(5, "")))),
              edonkey::PartCheck::Clean);
    EXPECT_EQ(log.text, "...\r\nno fake !\r\n");

    ASSERT_EQ(desktop.dialogs.size(), 2u);
    EXPECT_EQ(desktop.dialogs[0].pattern, "*.part.met");
    EXPECT_EQ(desktop.dialogs[0].title, "Select the pref.met file in your donkey folder");
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

TEST_F(PartCheck, LeavesTheLogAloneOnCancelBadHeaderOrUnreadableFile)
{
    log.text = "kept\r\n";
    EXPECT_EQ(check(""), edonkey::PartCheck::NotChecked);
    EXPECT_EQ(check(dir.write("x.part.met", "\xE1\x00\x00\x00\x00 rest")),
              edonkey::PartCheck::NotChecked);
    EXPECT_EQ(check(dir.file("missing.part.met")), edonkey::PartCheck::NotChecked);
    EXPECT_EQ(check(dir.makeFolder("folder.part.met")), edonkey::PartCheck::NotChecked);
    EXPECT_EQ(log.text, "kept\r\n");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

TEST_F(PartCheck, LooksUpTheExactSizeAtTheEdgesOfItsRange)
{
    for (const std::uint32_t size : {0u, 2147483648u, 4294967295u}) {
        const auto file = download(size);
        database.replace(fixtures::fakesDatLine(file, "edge"));
        const auto bytes = fixtures::partMetBytes(file);
        EXPECT_EQ(check(dir.write("edge.part.met", bytes)), edonkey::PartCheck::Fake) << size;
        EXPECT_EQ(edonkey::parsePartFile(bytes)->size, size);
    }
}

TEST_F(PartCheck, AgreesWithTheScanOnTheSizeWhenTheFileTypeFollowsTheSize)
{
    fixtures::PartLayout layout;
    layout.fileTypeAfterSize = true;
    const auto file = download(123456789);
    database.replace(fixtures::fakesDatLine(file, "typed"));
    const auto bytes = fixtures::partMetBytes(file, layout);

    EXPECT_FALSE(edonkey::findSizeBeforeTransferredTag(bytes));
    EXPECT_EQ(check(dir.write("typed.part.met", bytes)), edonkey::PartCheck::Fake);
}
