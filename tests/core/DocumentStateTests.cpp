// Where a project window's document lives and the name it shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "engine/DocumentState.h"
#include "support/TestSupport.h"

using wavomer::DocumentState;

TEST(DocumentState, ANewDocumentIsUntitledUntilSavedAndKeepsItsFolderAfter) {
    DocumentState state;
    EXPECT_TRUE(state.isUntitled());
    EXPECT_FALSE(state.isReadFromUrl());
    EXPECT_EQ(state.displayName(), "Untitled");
    state.savedTo("/music/Live Set.wvmp/");
    EXPECT_EQ(state.readPath(), "/music/Live Set.wvmp");
    EXPECT_FALSE(state.isReadFromUrl());  // saved, not opened
    EXPECT_EQ(state.displayName(), "Live Set");
}

TEST(DocumentState, OpeningRecordsTheFolderWhetherNamedByItselfOrByItsArchive) {
    DocumentState byArchive;
    byArchive.readFromURL("/music/a/../Mix.WVMP/project.plist");
    EXPECT_TRUE(byArchive.isReadFromUrl());
    EXPECT_EQ(byArchive.readPath(), "/music/Mix.WVMP");
    EXPECT_EQ(byArchive.displayName(), "Mix");  // the extension in any letter case
    EXPECT_TRUE(byArchive.isAt("/music/Mix.WVMP/"));
    EXPECT_TRUE(byArchive.isAt("/music/./Mix.WVMP/project.plist"));
    EXPECT_FALSE(byArchive.isAt("/music/Mix2.WVMP"));

    DocumentState relative;
    relative.readFromURL("Takes.wvmp");
    EXPECT_EQ(relative.readPath(), (std::filesystem::current_path() / "Takes.wvmp").string());
    // A folder named only ".wvmp" keeps its whole name.
    DocumentState bare;
    bare.readFromURL("/x/.wvmp");
    EXPECT_EQ(bare.displayName(), ".wvmp");
}

TEST(DocumentState, ARelativePathAfterTheWorkingFolderWasRemovedStaysRelativeInsteadOfThrowing) {
    wavomer::test::ScratchDir scratch;
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    const std::string gone = scratch.file("gone");
    std::filesystem::create_directories(gone);
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    std::filesystem::remove(gone);
    const std::string folder = DocumentState::projectFolderOf("song.wvmp/project.plist");
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(folder, "song.wvmp");
}
