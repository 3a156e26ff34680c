// Pictures out of the installed packs: bitmaps, images with their bytes, and
// icons by way of temporary files that are gone afterwards.
#include "controls/ControlsTestSupport.h"
#include "monitor/Common/SkinPack.h"
#include "monitor/Common/SkinPackImage.h"

using namespace plat;
using qntest::ControlsTest;

TEST_F(ControlsTest, TheInstalledPacksGivePicturesInTheSizesTheWindowsUse) {
    struct Case {
        const char16_t* name;
        int w, h;
    } images[] = {{u"btn_normal.png", 260, 23},      {u"btn_close.png", 96, 30},
                  {u"btn_main_header.png", 132, 75}, {u"btn_check.png", 120, 15},
                  {u"msgbox_bg.png", 270, 150},      {u"main_bg.png", 940, 644},
                  {u"login_bg.png", 330, 230},       {u"about_bg.png", 330, 160},
                  {u"set_form.png", 528, 424},       {u"btn_letter.gif", 80, 20},
                  {u"btn_letter2.gif", 120, 20},     {u"scrollbar.gif", 64, 144},
                  {u"headctrl.gif", 120, 24},        {u"progress.png", 30, 28}};
    for (const Case& c : images) {
        PackImage image = LoadPackImage(c.name);
        ASSERT_TRUE(image) << Utf16ToUtf8(c.name);
        EXPECT_EQ(image->GetWidth(), c.w) << Utf16ToUtf8(c.name);
        EXPECT_EQ(image->GetHeight(), c.h) << Utf16ToUtf8(c.name);
        EXPECT_FALSE(image->Block().empty());
        Bitmap b = LoadPackBitmap(c.name, ImagePackIndexPath(), ImagePackDataPath());
        EXPECT_EQ(b.Width(), c.w);
    }
    for (const char16_t* icon : {u"expand1.ico", u"unexpand1.ico", u"card.ico", u"success.ico", u"hint.ico"}) {
        Bitmap b = LoadPackIcon(icon, IconPackIndexPath(), IconPackDataPath());
        EXPECT_EQ(b.Width(), 16) << Utf16ToUtf8(icon);
        EXPECT_EQ(b.Height(), 16);
    }
}

TEST_F(ControlsTest, IconsGoThroughFreshTemporaryFilesThatAreDeletedAgain) {
    Bitmap a = LoadPackIcon(u"card.ico", IconPackIndexPath(), IconPackDataPath());
    Bitmap b = LoadPackIcon(u"hint.ico", IconPackIndexPath(), IconPackDataPath());
    ASSERT_FALSE(a.IsNull());
    ASSERT_FALSE(b.IsNull());
    EXPECT_NE(a.GetPixel(8, 8), b.GetPixel(8, 8));
    EXPECT_TRUE(ListDirectory(m_folder.Join(u"temp")).empty());
    // The next file name comes after the two used: each icon had its own.
    std::u16string next = WriteTempIconFile("x");
    ASSERT_FALSE(next.empty());
    std::u16string name(FileNameOf(next));
    int n = std::stoi(Utf16ToUtf8(name.substr(9)));
    EXPECT_GE(n, 2);
    DeleteFile(next);
}

TEST_F(ControlsTest, AMissingMemberGivesNoPictureAndNoLogLineButAMissingPackIsLogged) {
    EXPECT_FALSE(LoadPackImage(u"nothing.png"));
    EXPECT_TRUE(LoadPackBitmap(u"nothing.png", ImagePackIndexPath(), ImagePackDataPath()).IsNull());
    EXPECT_TRUE(LoadPackIcon(u"nothing.ico", IconPackIndexPath(), IconPackDataPath()).IsNull());
    EXPECT_EQ(m_folder.LogUtf8().find("file open"), std::string::npos);

    DeleteFile(ImagePackDataPath());
    EXPECT_FALSE(LoadPackImage(u"btn_normal.png"));
    EXPECT_NE(m_folder.LogUtf8().find("file open: " + Utf16ToUtf8(ImagePackDataPath())),
              std::string::npos);
}

TEST_F(ControlsTest, BytesThatAreNoPictureGiveNothing) {
    std::u16string index = m_folder.Join(u"broken.ini"), data = m_folder.Join(u"broken.dat");
    WriteFile(data, std::string("\0not a picture at all", 22));
    WriteFile(index, "[junk.png]\r\noffset=21\r\n");
    EXPECT_TRUE(LoadPackBitmap(u"junk.png", index, data).IsNull());
    EXPECT_TRUE(LoadPackIcon(u"junk.png", index, data).IsNull());
    EXPECT_TRUE(ListDirectory(m_folder.Join(u"temp")).empty());
}
