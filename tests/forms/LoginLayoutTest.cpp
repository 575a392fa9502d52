// What the login window looks like when it opens: geometry, texts, fonts, pictures, keyboard.
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <utility>

#include "LoginTestWindows.h"
#include "ScriptedMsgBox.h"
#include "forms/login/frmLogin.h"
#include "gui/Fonts.h"

using forms::frmLogin;

namespace {

using LoginLayout = logintest::FreshLoginWindow;

// A picture as drawn by resources/make-login-pictures.sh; the window shows its pixels.
QString pictureFile(const char* name) { return QStringLiteral(LOGIN_PICTURES_DIR "/") + QLatin1String(name); }

// Where two pictures' colours first differ ("" when they are the same size and colours).
std::string firstPixelApart(const QImage& shown, const QImage& drawn)
{
    if (shown.size() != drawn.size())
        return "sizes differ";
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != drawn.pixel(x, y))
                return std::to_string(x) + "," + std::to_string(y);
        }
    }
    return "";
}

// Bit depth and colour type from a PNG file's header chunk.
std::pair<int, int> pngDepthAndColourType(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {-1, -1};
    const QByteArray head = file.read(26);
    if (head.size() < 26 || !head.startsWith("\x89PNG"))
        return {-1, -1};
    return {static_cast<unsigned char>(head[24]), static_cast<unsigned char>(head[25])};
}

struct Placement {
    const char* name;
    QRect pixels;
    const char* text;
};

}  // namespace

TEST_F(LoginLayout, WindowIsAFixedSizeCentredDialogWithOnlyACloseBox)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("登录"));
    EXPECT_EQ(window->size(), QSize(454, 288));
    EXPECT_EQ(window->minimumSize(), QSize(454, 288));
    EXPECT_EQ(window->maximumSize(), QSize(454, 288));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(window->isModal());

    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint centre = window->frameGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2)
        << centre.x() << "," << centre.y() << " vs " << screenCentre.x() << "," << screenCentre.y();

    const QList<QSize> iconSizes = window->windowIcon().availableSizes();
    ASSERT_EQ(iconSizes.size(), 1);
    EXPECT_EQ(iconSizes.front(), QSize(16, 16));
    // 16 colours: a palette image (PNG colour type 3) of 4 bits a pixel, shown pixel for pixel.
    const QString drawn = pictureFile("icon.png");
    EXPECT_EQ(pngDepthAndColourType(drawn), std::make_pair(4, 3));
    EXPECT_LE(QImage(drawn).colorCount(), 16);
    EXPECT_EQ(firstPixelApart(window->windowIcon().pixmap(16).toImage(), QImage(drawn)), "");
}

TEST_F(LoginLayout, ControlsSitWhereTheTwipsPutThemWithTheirTextsAndFont)
{
    const Placement placements[] = {
        {"Image1", QRect(0, 0, 467, 309), ""},
        {"Label1", QRect(180, 142, 73, 12), "服务器："},
        {"txtServer", QRect(248, 137, 179, 22), "(local)"},
        {"Label2", QRect(180, 177, 73, 12), "SA密码："},
        {"txtPass", QRect(248, 172, 179, 22), ""},
        {"Cmd_OK", QRect(274, 254, 65, 25), "确定"},
        {"Cmd_Exit", QRect(362, 254, 65, 25), "退出"},
    };
    for (const Placement& placement : placements) {
        const QWidget* widget = control<QWidget>(placement.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), window.data()) << placement.name;
        EXPECT_EQ(widget->geometry(), placement.pixels) << placement.name;
        EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(placement.text)) << placement.name;
        const QFont font = widget->font();
        EXPECT_EQ(font.family(), QStringLiteral("宋体")) << placement.name;
        EXPECT_EQ(font.pointSize(), 9) << placement.name;
        EXPECT_EQ(font.weight(), QFont::Normal) << placement.name;
        EXPECT_FALSE(font.italic()) << placement.name;
    }
    // The picture lies beneath every other control.
    EXPECT_EQ(window->children().indexOf(control<QLabel>("Image1")), 0);
}

TEST_F(LoginLayout, SongFontResolvesToTheInstalledSongFamily)
{
    gui::installFontSubstitutions();
    // A size no window uses, so that the answer does not come from a font resolved before.
    QFont song = control<QLabel>("Label1")->font();
    song.setPointSize(31);
    const QFontInfo info(song);
    EXPECT_TRUE(info.family().startsWith(QStringLiteral("AR PL UMing"))) << info.family().toStdString();
}

TEST_F(LoginLayout, BackgroundIsA24BitPictureNotStretchedAndWhiteUnderTheControls)
{
    const QLabel* image = control<QLabel>("Image1");
    EXPECT_FALSE(image->hasScaledContents());
    const QImage picture = image->pixmap().toImage();
    EXPECT_EQ(picture.size(), QSize(467, 309));
    EXPECT_FALSE(picture.hasAlphaChannel());
    // The file as drawn: PNG colour type 2 (RGB) with 8 bits a channel, shown pixel for pixel.
    const QString drawn = pictureFile("background.png");
    EXPECT_EQ(pngDepthAndColourType(drawn), std::make_pair(8, 2));
    EXPECT_EQ(firstPixelApart(picture, QImage(drawn)), "");

    // Everything from the top of the server box to the bottom of the buttons, across the labels' left
    // edge to the boxes' right edge, is plain white.
    for (int y = 137; y < 279; ++y) {
        for (int x = 180; x < 427; ++x) {
            if (picture.pixel(x, y) != qRgb(255, 255, 255)) {
                ADD_FAILURE() << "not white at " << x << "," << y;
                return;
            }
        }
    }
}

TEST_F(LoginLayout, TabOrderStartsInTheServerBoxAndSkipsLabelsAndPicture)
{
    EXPECT_EQ(window->focusWidget(), control<QWidget>("txtServer"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("txtServer"));
    for (const char* next : {"txtPass", "Cmd_OK", "Cmd_Exit", "txtServer"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(next)) << "Tab should reach " << next;
    }
    for (const char* name : {"Image1", "Label1", "Label2"})
        EXPECT_EQ(control<QWidget>(name)->focusPolicy(), Qt::NoFocus) << name;
}

TEST_F(LoginLayout, PasswordIsMaskedWithStarsAndNeitherLengthIsLimited)
{
    auto* pass = control<QLineEdit>("txtPass");
    QTest::keyClicks(pass, "s3;cr=t");
    EXPECT_EQ(pass->text(), QStringLiteral("s3;cr=t"));
    EXPECT_EQ(pass->displayText(), QStringLiteral("*******"));

    const QString longText(100000, QLatin1Char('x'));
    control<QLineEdit>("txtServer")->setText(longText);
    pass->setText(longText);
    EXPECT_EQ(control<QLineEdit>("txtServer")->text(), longText);
    EXPECT_EQ(pass->text(), longText);
}

TEST_F(LoginLayout, EnterAndEscapeDoNothing)
{
    testsupport::ScriptedMsgBox boxes;  // any box would fail the test
    for (const char* name : {"Cmd_OK", "Cmd_Exit"}) {
        EXPECT_FALSE(control<QPushButton>(name)->isDefault()) << name;
        EXPECT_FALSE(control<QPushButton>(name)->autoDefault()) << name;
    }
    control<QLineEdit>("txtServer")->clear();
    for (const char* name : {"txtServer", "txtPass", "Cmd_OK", "Cmd_Exit"}) {
        QTest::keyClick(control<QWidget>(name), Qt::Key_Return);
        QTest::keyClick(control<QWidget>(name), Qt::Key_Escape);
    }
    QApplication::processEvents();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LoginLayout, ClosingDestroysTheWindowAndTheNextShowingStartsAfresh)
{
    control<QLineEdit>("txtServer")->setText(QStringLiteral("其他服务器"));
    control<QLineEdit>("txtPass")->setText(QStringLiteral("pw"));
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());

    window = frmLogin::Show();
    EXPECT_EQ(control<QLineEdit>("txtServer")->text(), QStringLiteral("(local)"));
    EXPECT_EQ(control<QLineEdit>("txtPass")->text(), QString());
}
