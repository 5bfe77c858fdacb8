#include "graphics/support/ByteGraphic.h"
#include "common/ExpectThrow.h"
#include "common/TestSupport.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

TEST(Graphic, ClassReferencesCreateAndKnowTheirAncestry)
{
    std::unique_ptr<TGraphic> g = TOtherByteGraphic::StaticClass()->NewInstance();
    ASSERT_TRUE(g);
    EXPECT_STREQ(g->ClassName(), "TOtherByteGraphic");
    EXPECT_TRUE(g->InheritsFrom(TByteGraphic::StaticClass()));
    EXPECT_TRUE(g->InheritsFrom(TGraphic::StaticClass()));
    TByteGraphic plain;
    EXPECT_FALSE(plain.InheritsFrom(TOtherByteGraphic::StaticClass()));
    EXPECT_FALSE(TGraphic::StaticClass()->NewInstance());
}

TEST(Graphic, ChangesSetModifiedAndReachTheHandler)
{
    TByteGraphic g;
    std::vector<TObject*> senders;
    g.SetOnChange([&](TObject* sender) { senders.push_back(sender); });
    EXPECT_FALSE(g.Modified());
    g.SetTransparent(false); // unchanged: nothing
    EXPECT_TRUE(senders.empty());
    g.SetTransparent(true);
    EXPECT_TRUE(g.Transparent());
    EXPECT_TRUE(g.Modified());
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], &g);
    g.SetOnChange(nullptr);
    g.SetTransparent(false);
    EXPECT_EQ(senders.size(), 1u);
}

TEST(Graphic, ProgressIsForwardedUnchanged)
{
    TByteGraphic g;
    g.Progress(&g, psStarting, 0, false, RECT {}, ""); // no handler: nothing
    int calls = 0;
    g.SetOnProgress([&](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw, const RECT& r,
                        const AnsiString& msg) {
        ++calls;
        EXPECT_EQ(sender, &g);
        EXPECT_EQ(stage, psRunning);
        EXPECT_EQ(percent, 42);
        EXPECT_TRUE(redraw);
        EXPECT_EQ(r.bottom, 7);
        EXPECT_EQ(msg, "m");
    });
    g.Progress(&g, psRunning, 42, true, RECT { 0, 1, 2, 7 }, "m");
    EXPECT_EQ(calls, 1);
}

TEST(Graphic, FilesGoThroughTheStreamsWithTheirErrors)
{
    TempFolder dir;
    TByteGraphic g;
    g.bytes = "pixels";
    g.SaveFile(dir / "a.dat");
    EXPECT_EQ(ReadFileBytes(dir / "a.dat"), "pixels");
    TByteGraphic h;
    h.LoadFile(dir / "a.dat");
    EXPECT_EQ(h.bytes, "pixels");

    ExpectThrowMessage<EFOpenError>(
        [&] { h.LoadFile(dir / "missing.dat"); }, "ファイル " + (dir / "missing.dat") + " は開けません");
    ExpectThrowMessage<EFCreateError>([&] { g.SaveFile(dir / "no\\such\\folder.dat"); },
        "ファイル " + (dir / "no\\such\\folder.dat") + " を作成できません");
    // A file that someone has open for writing is not read.
    HANDLE writer = CreateFileA((dir / "a.dat").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(h.LoadFile(dir / "a.dat"), EFOpenError);
    CloseHandle(writer);
    h.LoadFile(dir / "a.dat");

    // A failing load still closes the file: it can be deleted right away.
    AnsiString bad = dir.Write("bad.dat", "bad!");
    EXPECT_THROW(h.LoadFile(bad), EInvalidGraphic);
    EXPECT_TRUE(DeleteFileA(bad.c_str()));
}

TEST(Graphic, SameImageComparesEmptinessClassAndBytes)
{
    TByteGraphic a, b;
    TOtherByteGraphic c;
    EXPECT_TRUE(a.SameImage(&c)); // both empty, classes differ
    EXPECT_FALSE(a.SameImage(nullptr));
    b.bytes = "x";
    EXPECT_FALSE(a.SameImage(&b));
    EXPECT_FALSE(b.SameImage(&a));
    a.bytes = "x";
    EXPECT_TRUE(a.SameImage(&b));
    c.bytes = "x";
    EXPECT_FALSE(a.SameImage(&c)); // same bytes, other class
    b.bytes = "xy";
    EXPECT_FALSE(a.SameImage(&b));
}

TEST(Graphic, StoredDataIsWrittenOnlyWhenItDiffersFromTheAncestor)
{
    TByteGraphic g, ancestor;
    EXPECT_FALSE(g.DataNeedsWriting(nullptr)); // empty, no ancestor
    g.bytes = "x";
    EXPECT_TRUE(g.DataNeedsWriting(nullptr));
    TPersistent notAGraphic;
    EXPECT_TRUE(g.DataNeedsWriting(&notAGraphic));
    EXPECT_TRUE(g.DataNeedsWriting(&ancestor));
    ancestor.bytes = "x";
    EXPECT_FALSE(g.DataNeedsWriting(&ancestor));
}
