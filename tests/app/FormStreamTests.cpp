// The program's two compiled form streams: their content read with the reader's
// own value readers, and their robustness against damage.
#include "common/ExpectThrow.h"
#include "app/support/ProgramFormStandIns.h"
#include "frame/Reader.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace {

struct Walked {
    AnsiString parent;
    AnsiString name;
    AnsiString cls;
    AnsiString props; // "Name=value;" in stored order
    std::map<AnsiString, AnsiString> binary;
};

AnsiString ValueText(TReader& reader, Walked& w, const AnsiString& prop)
{
    switch (reader.NextValue()) {
    case TValueType::fvInt8:
    case TValueType::fvInt16:
    case TValueType::fvInt32: return IntToStr(reader.ReadInteger());
    case TValueType::fvString:
    case TValueType::fvLString: return "'" + reader.ReadString() + "'";
    case TValueType::fvSet: {
        reader.ReadValue();
        AnsiString text = "[";
        for (AnsiString name = reader.ReadStr(); !name.empty(); name = reader.ReadStr())
            text += (text.size() > 1 ? "," : "") + name;
        return text + "]";
    }
    case TValueType::fvBinary: {
        reader.ReadValue();
        std::vector<char> bytes = reader.ReadBinaryBody();
        w.binary[prop] = AnsiString(bytes.begin(), bytes.end());
        return "{" + IntToStr(static_cast<long long>(bytes.size())) + "}";
    }
    default: return reader.ReadIdent();
    }
}

void Walk(TReader& reader, const AnsiString& parent, std::vector<Walked>& out)
{
    int flags, position;
    reader.ReadPrefix(flags, position);
    EXPECT_EQ(flags, 0);
    Walked w;
    w.parent = parent;
    w.cls = reader.ReadStr();
    w.name = reader.ReadStr();
    while (!reader.EndOfList()) {
        AnsiString prop = reader.ReadStr();
        w.props += prop + "=" + ValueText(reader, w, prop) + ";";
    }
    reader.ReadListEnd();
    out.push_back(w);
    AnsiString self = w.name;
    while (!reader.EndOfList())
        Walk(reader, self, out);
    reader.ReadListEnd();
}

std::vector<Walked> WalkResource(const char* name, std::size_t size)
{
    AnsiString bytes = FormResource(name);
    EXPECT_EQ(bytes.size(), size);
    TMemoryStream stream(bytes);
    TReader reader(stream);
    reader.ReadSignature();
    std::vector<Walked> out;
    Walk(reader, "", out);
    EXPECT_EQ(reader.Position(), static_cast<std::int32_t>(bytes.size()));
    return out;
}

std::uint32_t U32(const AnsiString& s, std::size_t at)
{
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

const char* const FontJ =
    "Font.Charset=SHIFTJIS_CHARSET;Font.Color=clWindowText;Font.Height=-12;Font.Name='ＭＳ Ｐゴシック';Font.Style=[];";

AnsiString SmallFont(const char* colour)
{
    return AnsiString("Font.Charset=SHIFTJIS_CHARSET;Font.Color=") + colour
        + ";Font.Height=-11;Font.Name='ＭＳ Ｐゴシック';Font.Style=[];ParentFont=False;";
}

TEST(FormStreams, MainFormHoldsTheMainWindowsComponents)
{
    std::vector<Walked> w = WalkResource("TMAINFORM1", 3256);
    struct Expected {
        const char* parent;
        const char* name;
        const char* cls;
        AnsiString props;
    };
    std::vector<Expected> expected {
        { "", "MainForm1", "TMainForm1",
            AnsiString("Left=282;Top=224;Width=477;Height=278;Caption='MainForm1';Color=clBtnFace;") + FontJ
                + "OldCreateOrder=False;OnCreate=FormCreate;PixelsPerInch=96;TextHeight=12;" },
        { "MainForm1", "Image1", "TImage", "Left=144;Top=0;Width=320;Height=240;" },
        { "MainForm1", "FileListBox1", "TFileListBox", "Left=0;Top=0;Width=141;Height=145;ItemHeight=12;TabOrder=0;" },
        { "MainForm1", "Timer1", "TTimer", "Interval=60000;OnTimer=Timer1Timer;Left=8;Top=152;" },
        { "MainForm1", "KitTrayIcon1", "TKitTrayIcon",
            "Icon.Data={2238};ShowMinimizedIcon=True;PopupMenu=PopupMenu1;Left=228;Top=20;" },
        { "MainForm1", "PopupMenu1", "TPopupMenu", "Left=200;Top=20;" },
        { "PopupMenu1", "N2", "TMenuItem", "Caption='別のフォルダを選択する(&F)...';OnClick=FormCreate;" },
        { "PopupMenu1", "N3", "TMenuItem", "Caption='-';" },
        { "PopupMenu1", "N1", "TMenuItem", "Caption='壁紙更新時に音を鳴らす(&S)';Checked=True;OnClick=N1Click;" },
        { "PopupMenu1", "N7", "TMenuItem", "Caption='-';" },
        { "PopupMenu1", "N8", "TMenuItem", "Caption='ユーザーズガイド(&G)';OnClick=N8Click;" },
        { "PopupMenu1", "N9", "TMenuItem", "Caption='ソフトウェア情報(&A)...';OnClick=N9Click;" },
        { "PopupMenu1", "N10", "TMenuItem", "Caption='-';" },
        { "PopupMenu1", "X1", "TMenuItem", "Caption='終了する(&X)';OnClick=X1Click;" },
    };
    ASSERT_EQ(w.size(), expected.size());
    for (std::size_t i = 0; i < w.size(); ++i) {
        EXPECT_EQ(w[i].parent, expected[i].parent) << i;
        EXPECT_EQ(w[i].name, expected[i].name) << i;
        EXPECT_EQ(w[i].cls, expected[i].cls) << i;
        EXPECT_EQ(w[i].props, expected[i].props) << i;
    }
    // The tray icon: an icon file with one 32 x 32 image of 8 bits per pixel.
    const AnsiString& icon = w[4].binary["Icon.Data"];
    ASSERT_EQ(icon.size(), 2238u);
    EXPECT_EQ(icon.substr(0, 6), AnsiString("\0\0\1\0\1\0", 6));
    EXPECT_EQ(static_cast<unsigned char>(icon[6]), 32);
    EXPECT_EQ(static_cast<unsigned char>(icon[7]), 32);
    EXPECT_EQ(icon[12], 8);
    EXPECT_EQ(U32(icon, 14), 2216u);
    EXPECT_EQ(U32(icon, 18), 22u);

    // The exact start of the stream.
    AnsiString bytes = FormResource("TMAINFORM1");
    AnsiString start("TPF0\x0ATMainForm1\x09MainForm1\x04Left\x03\x1A\x01\x03Top\x03\xE0\x00\x05Width\x03\xDD\x01"
                     "\x06Height\x03\x16\x01\x07"
                     "Caption\x06\x09MainForm1",
        72);
    EXPECT_EQ(bytes.substr(0, start.size()), start);
}

TEST(FormStreams, InfoFormHoldsTheAboutWindowsComponents)
{
    std::vector<Walked> w = WalkResource("TINFOFORM1", 34417);
    AnsiString link = "Flat=True;";
    std::vector<std::pair<AnsiString, AnsiString>> expected {
        { "/InfoForm1:TInfoForm1",
            AnsiString(
                "Left=330;Top=309;BorderStyle=bsToolWindow;Caption='SV_WALLPAPER Ver.1.0';ClientHeight=144;ClientWidth=415;Color=clBtnFace;")
                + FontJ + "OldCreateOrder=False;Position=poScreenCenter;PixelsPerInch=96;TextHeight=12;" },
        { "InfoForm1/Panel1:TPanel",
            "Left=0;Top=0;Width=270;Height=144;BevelOuter=bvLowered;BevelWidth=2;Color=clWhite;TabOrder=0;" },
        { "Panel1/Image1:TImage", "Left=8;Top=4;Width=200;Height=54;Picture.Data={11890};" },
        { "Panel1/SpeedButton2:TSpeedButton",
            "Left=97;Top=122;Width=77;Height=16;Hint='閉じる';Caption='CLOSE (&X)';" + SmallFont("clBlack")
                + "ParentShowHint=False;ShowHint=True;OnClick=SpeedButton2Click;" },
        { "Panel1/Label1:TLabel",
            "Left=44;Top=52;Width=201;Height=11;Caption='Software Design＆Creation : Taro Sample';"
                + SmallFont("clBlue") + "Transparent=True;" },
        { "Panel1/Label2:TLabel",
            "Left=37;Top=96;Width=87;Height=11;Caption='url : http://kv.test';" + SmallFont("33023") },
        { "Panel1/SpeedButton1:TSpeedButton",
            "Left=32;Top=96;Width=96;Height=11;Cursor=crHandPoint;Hint='KAVOLTのサイトにアクセス';" + link
                + SmallFont("clWhite") + "ParentShowHint=False;ShowHint=True;OnClick=SpeedButton1Click;" },
        { "Panel1/Label3:TLabel",
            "Left=82;Top=79;Width=111;Height=11;Caption='mail : sv@kv.test';" + SmallFont("33023") },
        { "Panel1/SpeedButton3:TSpeedButton",
            "Left=77;Top=79;Width=120;Height=11;Cursor=crHandPoint;Hint='KAVOLTにメールを送信';" + link
                + SmallFont("clWhite") + "ParentShowHint=False;ShowHint=True;OnClick=SpeedButton3Click;" },
        { "Panel1/Label6:TLabel",
            "Left=149;Top=96;Width=95;Height=11;Caption='url : http://sv.test';" + SmallFont("33023") },
        { "Panel1/SpeedButton4:TSpeedButton",
            "Left=144;Top=96;Width=104;Height=11;Cursor=crHandPoint;Hint='SORVIAのサイトにアクセス';" + link
                + SmallFont("clWhite") + "ParentShowHint=False;ShowHint=True;OnClick=SpeedButton4Click;" },
        { "InfoForm1/Panel2:TPanel",
            "Left=270;Top=0;Width=144;Height=144;BevelOuter=bvLowered;BevelWidth=2;Color=clWhite;TabOrder=1;" },
        { "Panel2/Image2:TImage",
            "Left=2;Top=2;Width=140;Height=140;ParentShowHint=False;Picture.Data={19922};ShowHint=False;" },
    };
    ASSERT_EQ(w.size(), expected.size());
    for (std::size_t i = 0; i < w.size(); ++i) {
        EXPECT_EQ(w[i].parent + "/" + w[i].name + ":" + w[i].cls, expected[i].first) << i;
        EXPECT_EQ(w[i].props, expected[i].second) << i;
    }
    // Stored pictures: "TBitmap", the byte count, then the BMP file.
    struct Picture {
        const AnsiString& data;
        std::uint32_t size;
        int width, height, colours;
    } pictures[] = { { w[2].binary["Picture.Data"], 11878, 200, 54, 256 },
        { w[12].binary["Picture.Data"], 19910, 140, 140, 64 } };
    for (const Picture& p : pictures) {
        ASSERT_EQ(p.data.size(), 12 + p.size);
        EXPECT_EQ(p.data.substr(0, 8), "\x07TBitmap");
        EXPECT_EQ(U32(p.data, 8), p.size);
        EXPECT_EQ(p.data.substr(12, 2), "BM");
        const AnsiString bmp = p.data.substr(12);
        EXPECT_EQ(U32(bmp, 2), p.size);
        EXPECT_EQ(static_cast<int>(U32(bmp, 18)), p.width);
        EXPECT_EQ(static_cast<int>(U32(bmp, 22)), p.height);
        EXPECT_EQ(bmp[28], 8);
        EXPECT_EQ(static_cast<int>(U32(bmp, 46)), p.colours);
    }
}

// Every truncation and many single and multiple byte changes of the real streams end
// either in a finished form or in one of the reader's errors; the position never
// passes the end of the stream.
template<class Form> void ReadDamaged(const AnsiString& bytes, int& failures)
{
    auto form = MakeComponent<Form>();
    TReadOnlyMemoryStream stream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    try {
        TReader reader(stream);
        reader.ReadRootComponent(*form);
    } catch (const Exception&) {
        ++failures;
    }
    EXPECT_LE(stream.Position(), static_cast<std::int32_t>(bytes.size()));
}

class Shuffle {
public:
    std::uint32_t Next() { return m_state = m_state * 1664525u + 1013904223u; }
    std::uint32_t Below(std::uint32_t n) { return (Next() >> 8) % n; }

private:
    std::uint32_t m_state = 12345;
};

template<class Form> void Damage(const char* resource)
{
    const AnsiString original = FormResource(resource);
    ASSERT_FALSE(original.empty());
    int failures = 0;
    int truncations = 0;
    // Every truncation of the text part; the long picture data in steps.
    for (std::size_t length = 0; length < original.size();
         length += length < 4096 || length > original.size() - 4096 ? 1 : 97) {
        ReadDamaged<Form>(original.substr(0, length), failures);
        ++truncations;
    }
    EXPECT_EQ(failures, truncations);
    Shuffle shuffle;
    // Changes aimed at the structure (the first bytes and the last ones) and anywhere.
    for (int i = 0; i < 2000; ++i) {
        AnsiString bytes = original;
        int changes = 1 + static_cast<int>(shuffle.Below(3));
        for (int k = 0; k < changes; ++k) {
            std::size_t at;
            switch (shuffle.Below(3)) {
            case 0: at = shuffle.Below(static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), 600))); break;
            case 1:
                at = bytes.size() - 1
                    - shuffle.Below(static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), 2500)));
                break;
            default: at = shuffle.Below(static_cast<std::uint32_t>(bytes.size())); break;
            }
            bytes[at] = static_cast<char>(shuffle.Below(3) == 0 ? shuffle.Below(21) : shuffle.Below(256));
        }
        ReadDamaged<Form>(bytes, failures);
    }
    EXPECT_GT(failures, truncations + 100);
}

TEST(FormStreams, DamagedMainFormStreamsEndInReaderErrors)
{
    Damage<TFakeMainForm>("TMAINFORM1");
    RemoveFixupReferences(nullptr, {});
}

TEST(FormStreams, DamagedInfoFormStreamsEndInReaderErrors)
{
    Damage<TFakeInfoForm>("TINFOFORM1");
    RemoveFixupReferences(nullptr, {});
}

TEST(FormStreams, DeepNestingIsRefusedNotRecursedIntoExhaustion)
{
    AnsiString lists(100000, '\x01');
    TMemoryStream stream(lists);
    TReader reader(stream);
    EXPECT_THROW(reader.SkipValue(), EReadError);

    AnsiString nested = "TPF0";
    for (int i = 0; i < 20000; ++i) {
        AnsiString name = "A" + IntToStr(i);
        nested += AnsiString("\x06TImage", 7) + static_cast<char>(name.size()) + name + AnsiString(1, '\0');
    }
    auto form = MakeComponent<TFakeMainForm>();
    TMemoryStream formStream(nested);
    TReader formReader(formStream);
    ExpectThrowMessage<EReadError>([&] { formReader.ReadRootComponent(*form); }, "ストリームからの読み込みエラー");
    EXPECT_EQ(form->ComponentCount(), 0);
}

}
