#include <sys/stat.h>

#include "atomic_file.h"
#include "imaging_support.h"

using namespace imaging_test;

namespace {

void Put(AtomicFile& file, const std::string& text)
{
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file.Stream()), text.size());
}

std::string Text(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

mode_t Mode(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(AtomicFile, TheTargetChangesOnlyOnCommit)
{
    ScratchDir dir;
    const std::string path = dir.File("a.png");
    WriteBytes(path, {'o', 'l', 'd'});
    {
        AtomicFile file(path);
        ASSERT_TRUE(file.Open()) << file.Error();
        Put(file, "half");
        EXPECT_EQ(Text(path), "old");  // the writing goes elsewhere
        EXPECT_EQ(dir.Names().size(), 2u);
    }  // abandoned: the temporary goes away
    EXPECT_EQ(Text(path), "old");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.png"});

    AtomicFile discarded(path);
    ASSERT_TRUE(discarded.Open());
    Put(discarded, "no");
    discarded.Discard();
    EXPECT_EQ(Text(path), "old");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.png"});

    AtomicFile file(path);
    ASSERT_TRUE(file.Open());
    Put(file, "new content");
    ASSERT_TRUE(file.Commit()) << file.Error();
    EXPECT_EQ(Text(path), "new content");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.png"});
    EXPECT_FALSE(file.Commit());  // nothing left to commit
}

TEST(AtomicFile, ANewFileIsCreatedAndAnOldOneKeepsItsPermissions)
{
    ScratchDir dir;
    const std::string fresh = dir.File("fresh.bmp");
    AtomicFile created(fresh);
    ASSERT_TRUE(created.Open());
    Put(created, "x");
    ASSERT_TRUE(created.Commit());
    EXPECT_EQ(Text(fresh), "x");
    EXPECT_EQ(Mode(fresh) & 0600, 0600u);

    const std::string kept = dir.File("kept.bmp");
    WriteBytes(kept, {'1'});
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    AtomicFile replaced(kept);
    ASSERT_TRUE(replaced.Open());
    Put(replaced, "2");
    ASSERT_TRUE(replaced.Commit());
    EXPECT_EQ(Text(kept), "2");
    EXPECT_EQ(Mode(kept), 0640u);
}

TEST(AtomicFile, ALinkKeepsPointingAtTheReplacedFile)
{
    ScratchDir dir;
    const std::string real = dir.File("real.tif");
    const std::string link = dir.File("link.tif");
    WriteBytes(real, {'a'});
    std::filesystem::create_symlink(real, link);
    AtomicFile file(link);
    ASSERT_TRUE(file.Open());
    EXPECT_EQ(file.FinalPath(), std::filesystem::canonical(real).string());
    Put(file, "b");
    ASSERT_TRUE(file.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Text(real), "b");
}

TEST(AtomicFile, UnwritablePlacesFailWithAReason)
{
    ScratchDir dir;
    for (const std::string& path : {dir.File("missing/x.png"), dir.File(""), std::string()}) {
        AtomicFile file(path);
        EXPECT_FALSE(file.Open()) << path;
        EXPECT_FALSE(file.Error().empty());
        EXPECT_EQ(file.Stream(), nullptr);
    }
    // A folder where the file should go: the temporary is made, the rename refuses.
    std::filesystem::create_directory(dir.File("busy.png"));
    AtomicFile file(dir.File("busy.png"));
    ASSERT_TRUE(file.Open());
    Put(file, "x");
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"busy.png"});
}
