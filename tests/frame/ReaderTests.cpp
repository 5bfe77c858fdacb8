// The form-stream reader's values: collections, variants and floating numbers read
// into components of the tests' own classes.
#include "common/ExpectThrow.h"
#include "frame/Collection.h"
#include "frame/Reader.h"
#include "frame/support/StreamText.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class TTestItem : public TCollectionItem {
public:
    SV_CLASS_NAME(TTestItem)
    using TCollectionItem::TCollectionItem;
    AnsiString text;
    long double ratio = 0;
};

class TTestCollection : public TCollection {
public:
    TTestCollection()
        : TCollection([](TCollection* c) -> std::unique_ptr<TCollectionItem> { return std::make_unique<TTestItem>(c); })
    {
    }
    int changes = 0;

protected:
    void Changed() override { ++changes; }
};

class TCollectionHolder : public TComponent {
public:
    SV_CLASS_NAME(TCollectionHolder)
    using TComponent::TComponent;
    TTestCollection items;
    TVariant value;
    float single = 0;
};

const TClassRegistration<TTestItem> itemInfo("TTestItem", [](TClassBuilder<TTestItem>& c) {
    c.Parent<TPersistent>();
    c.String("Text", [](TTestItem& o, const AnsiString& v) { o.text = v; });
    c.Float("Ratio", [](TTestItem& o, long double v) { o.ratio = v; });
});
const TClassRegistration<TTestCollection> collectionInfo(
    "TTestCollection", [](TClassBuilder<TTestCollection>& c) { c.Parent<TPersistent>(); });
const TClassRegistration<TCollectionHolder> holderInfo("TCollectionHolder", [](TClassBuilder<TCollectionHolder>& c) {
    c.Parent<TComponent>();
    c.Object<TTestCollection>("Items", [](TCollectionHolder& o) { return &o.items; });
    c.Variant("Value", [](TCollectionHolder& o, const TVariant& v) { o.value = v; });
    c.Float(
        "Single", [](TCollectionHolder& o, long double v) { o.single = static_cast<float>(v); }, 4);
});

AnsiString Extended(long double v)
{
    char b[sizeof(long double)] = {};
    std::memcpy(b, &v, sizeof v);
    return AnsiString(b, 10);
}

TEST(ReaderValues, CollectionsReplaceTheirItemsInOneUpdate)
{
    auto holder = MakeComponent<TCollectionHolder>();
    holder->items.Add();
    int before = holder->items.changes;
    StreamText s;
    s.Prop("Items")
        .Byte(14)
        .Byte(1)
        .Prop("Text")
        .Str("one")
        .Prop("Ratio")
        .Byte(5)
        .Raw(Extended(1.5L))
        .End()
        .Int(7)
        .Byte(1)
        .Prop("Text")
        .Str("two")
        .Prop("Ratio")
        .Int(3)
        .End()
        .End();
    TMemoryStream stream(s.Bytes());
    TReader reader(stream);
    reader.ReadProperty(*holder);
    ASSERT_EQ(holder->items.Count(), 2);
    EXPECT_EQ(static_cast<TTestItem*>(holder->items.Items(0))->text, "one");
    EXPECT_EQ(static_cast<TTestItem*>(holder->items.Items(0))->ratio, 1.5L);
    EXPECT_EQ(static_cast<TTestItem*>(holder->items.Items(1))->ratio, 3.0L);
    EXPECT_EQ(holder->items.changes, before + 1);

    StreamText bad;
    bad.Prop("Items").Byte(14).Byte(2).End().End();
    TMemoryStream badStream(bad.Bytes());
    TReader badReader(badStream);
    EXPECT_THROW(badReader.ReadProperty(*holder), EReadError);
    EXPECT_EQ(holder->items.UpdateCount(), 0);
}

TEST(ReaderValues, VariantsTakeEveryStoredKindAndRefuseOthers)
{
    auto holder = MakeComponent<TCollectionHolder>();
    auto read = [&](const AnsiString& value) {
        TMemoryStream stream(StreamText().Prop("Value").Raw(value).Bytes());
        TReader reader(stream);
        reader.ReadProperty(*holder);
        return holder->value;
    };
    EXPECT_EQ(read(AnsiString(1, '\0')).kind, TVariant::Kind::Null);
    EXPECT_EQ(read("\x0D").kind, TVariant::Kind::Empty);
    EXPECT_EQ(read("\x02\xFE").integer, -2);
    EXPECT_EQ(read("\x06\x02hi").string, "hi");
    EXPECT_EQ(read("\x09").integer, 1);
    EXPECT_EQ(read(AnsiString("\x13\x01\0\0\0\0\0\0\x80", 9)).integer, static_cast<long long>(0x8000000000000001ull));
    EXPECT_EQ(read(AnsiString("\x10\x10\x27\0\0\0\0\0\0", 9)).integer, 10000);
    EXPECT_EQ(read(AnsiString("\x12\x01\0\0\0A\0", 7)).wide, u"A");
    ExpectThrowMessage<EReadError>(
        [&] { read("\x0B\0"); }, "TCollectionHolder.Value の読み込み中のエラー : ストリームからの読み込みエラー");
    TMemoryStream single(StreamText().Prop("Single").Byte(5).Raw(Extended(0.25L)).Bytes());
    TReader singleReader(single);
    singleReader.ReadProperty(*holder);
    EXPECT_EQ(holder->single, 0.25f);
}

}
