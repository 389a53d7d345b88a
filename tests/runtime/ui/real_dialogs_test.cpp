// The real modal dialogs, answered by keys and clicks the way a person
// would, with no scripted backend in between.
#include "tests/runtime/ui/demo_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <optional>
#include <utility>

using namespace demo;

namespace {

// Runs `act` on the modal dialog as soon as it is up. Gives up (closing
// nothing) after a few seconds so a dialog that never opens fails the test
// instead of hanging it: the caller's result then shows what happened.
void when_dialog_up(std::function<void(QWidget*)> act, int tries = 200)
{
    QTimer::singleShot(10, qApp, [act = std::move(act), tries]() mutable {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            act(w);
            return;
        }
        if (tries > 0)
            when_dialog_up(std::move(act), tries - 1);
    });
}

// The same for an input box: `act` gets its text entry. A dialog without
// one fails the test and is closed.
void when_entry_up(std::function<void(QWidget*, QLineEdit*)> act)
{
    when_dialog_up([act = std::move(act)](QWidget* dlg) {
        auto* edit = dlg->findChild<QLineEdit*>();
        if (!edit) {
            ADD_FAILURE() << "no entry";
            dlg->close();
            return;
        }
        act(dlg, edit);
    });
}

QPushButton* button_with_text(QWidget* dlg, const QString& text)
{
    for (auto* b : dlg->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

class RealDialogs : public DemoTest {
protected:
    void SetUp() override
    {
        DemoTest::SetUp();
        rt_set_dialog_backend(nullptr);
    }
    void TearDown() override
    {
        rt_set_dialog_backend(&dialogs);
        DemoTest::TearDown();
    }
};

TEST_F(RealDialogs, MessageBoxButtonsEscapeAndDefaultTitle)
{
    QString title;
    when_dialog_up([&](QWidget* box) {
        title = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(rt_message_box("确定退出程序吗？", 1), 1);
    EXPECT_EQ(title, QString::fromUtf8("信息："));

    when_dialog_up([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(rt_message_box("只有确定", 64), 0);

    when_dialog_up([](QWidget* box) {
        QPushButton* ok = button_with_text(box, QString::fromUtf8("确定"));
        if (!ok) {
            ADD_FAILURE() << "no OK button";
            box->close();
            return;
        }
        ok->click();
    });
    EXPECT_EQ(rt_message_box("确定退出程序吗？", 1, std::string("确定退出吗？")), 0);

    when_dialog_up([](QWidget* box) {
        QPushButton* cancel = button_with_text(box, QString::fromUtf8("取消"));
        if (!cancel) {
            ADD_FAILURE() << "no Cancel button";
            box->close();
            return;
        }
        cancel->click();
    });
    EXPECT_EQ(rt_message_box("确定退出程序吗？", 1), 1);
}

// A window manager cuts a title that does not fit its title bar: the box is
// as wide as a bold title of our size beside an icon and three buttons,
// however short its text.
TEST_F(RealDialogs, MessageBoxIsWideEnoughForItsTitle)
{
    QFont bold = QApplication::font();
    bold.setBold(true);
    const std::vector<std::pair<std::string, std::string>> boxes = {
        {"自定义Orvana转盘抽奖\r\n" + std::string(32, ' '), "自定义Orvana转盘抽奖"},
        {"1", "转盘抽奖帮助信息！"},
        {"确定退出程序吗？", "确定退出吗？"},
    };
    for (const auto& [text, title] : boxes) {
        SCOPED_TRACE(title);
        int width = 0;
        when_dialog_up([&width](QWidget* box) {
            width = box->width();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        rt_message_box(text, 0, title);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(QString::fromStdString(title)) + 4 * 24);
    }
}

TEST_F(RealDialogs, InputBoxStartsWithTheWholeInitialTextSelected)
{
    QString selected;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    when_entry_up([&](QWidget*, QLineEdit* edit) {
        selected = edit->selectedText();
        echo = edit->echoMode();
        // Typing replaces the selection, as it does for a person.
        QTest::keyClicks(edit, "Lucky 8");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    std::string v = "旧";
    EXPECT_TRUE(rt_input_box("请输入主标题", "请输入主标题", "购物有奖活动", v, 1));
    EXPECT_EQ(selected, QString::fromUtf8("购物有奖活动"));
    EXPECT_EQ(echo, QLineEdit::Normal);
    EXPECT_EQ(v, "Lucky 8");
}

TEST_F(RealDialogs, MaskedInputBoxCancelledKeepsTheVariable)
{
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    when_entry_up([&](QWidget* dlg, QLineEdit* edit) {
        echo = edit->echoMode();
        QTest::keyClicks(edit, "secret");
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    std::string v = "旧";
    // Modes above 4 are taken as 4, the masked entry.
    EXPECT_FALSE(rt_input_box("请输入密码", "", "", v, 7));
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(v, "旧");
}

// Every masked entry of the runtime hides what is typed behind asterisks:
// the password box of a window and the masked input box.
TEST_F(RealDialogs, MaskedEntriesShowAsterisks)
{
    constexpr int kLockWindow = 90;
    WindowDef lock;
    lock.id = kLockWindow;
    lock.name = "锁";
    UnitDef box = make_unit("编辑框1", UnitType::EditBox, 8, 8, 200, 30);
    box.masked = true;
    lock.units.push_back(box);
    rt_define_window(lock);
    ASSERT_TRUE(rt_load_window(kLockWindow));
    QLineEdit* entry = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (w->property("rt_window").toInt() == kLockWindow && qobject_cast<QLineEdit*>(w))
            entry = static_cast<QLineEdit*>(w);
    ASSERT_NE(entry, nullptr);
    QTest::keyClicks(entry, "ab1");
    EXPECT_EQ(entry->displayText(), QStringLiteral("***"));
    EXPECT_EQ(rt_get_text(rt_unit(kLockWindow, "编辑框1"), P_TEXT), "ab1");
    rt_destroy_window(kLockWindow);
    rt_do_events();

    QString shown;
    when_entry_up([&](QWidget*, QLineEdit* edit) {
        QTest::keyClicks(edit, "pw7");
        shown = edit->displayText();
        QTest::keyClick(edit, Qt::Key_Return);
    });
    std::string v;
    EXPECT_TRUE(rt_input_box("请输入密码", "", "", v, 4));
    EXPECT_EQ(shown, QStringLiteral("***"));
    EXPECT_EQ(v, "pw7");
}

// Accepts the font dialog after `pick` has had its way with the chooser.
void accept_font_dialog(std::function<void(QFontDialog*)> pick)
{
    when_dialog_up([pick = std::move(pick)](QWidget* dlg) {
        if (auto* chooser = dlg->findChild<QFontDialog*>())
            pick(chooser);
        else
            ADD_FAILURE() << "no font chooser";
        static_cast<QDialog*>(dlg)->accept();
    });
}

TEST_F(RealDialogs, FontDialogKeepsThePresetFaceUnlessAnotherIsPicked)
{
    open_main();
    const UnitRef d = unit("通用对话框_字体");
    rt_set(d, P_FONT_FACE, std::string("隶书"));
    rt_set(d, P_FONT_SIZE, 36);
    rt_set(d, P_FONT_BOLD, true);

    QString shown;
    accept_font_dialog([&](QFontDialog* chooser) { shown = chooser->currentFont().family(); });
    ASSERT_TRUE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_text(d, P_FONT_FACE), "隶书");
    EXPECT_EQ(rt_get_int(d, P_FONT_SIZE), 36);
    EXPECT_TRUE(rt_get_bool(d, P_FONT_BOLD));

    // Another face of the list is handed back by its name.
    QString other;
    for (const QString& family : QFontDatabase::families())
        if (family != shown) {
            other = family;
            break;
        }
    if (other.isEmpty())
        GTEST_SKIP() << "only one font installed";
    accept_font_dialog([&](QFontDialog* chooser) {
        QFont f = chooser->currentFont();
        f.setFamily(other);
        chooser->setCurrentFont(f);
        other = chooser->currentFont().family();
    });
    ASSERT_TRUE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_text(d, P_FONT_FACE), other.toStdString());
    EXPECT_NE(rt_get_text(d, P_FONT_FACE), "隶书");
}


// A family with an upright regular style and a real bold one, and the name
// of its regular style ("Book", "Regular", ...).
std::optional<std::pair<QString, QString>> family_with_bold()
{
    for (const QString& family : QFontDatabase::families()) {
        QString regular;
        bool has_bold = false;
        for (const QString& style : QFontDatabase::styles(family)) {
            if (QFontDatabase::italic(family, style))
                continue;
            if (QFontDatabase::bold(family, style))
                has_bold = true;
            else if (QFontDatabase::weight(family, style) == QFont::Normal)
                regular = style;
        }
        if (has_bold && !regular.isEmpty())
            return std::make_pair(family, regular);
    }
    return std::nullopt;
}

// Picks `item` (a face or a style) in the chooser's lists, as a click does.
bool click_item(QFontDialog* chooser, const QString& item)
{
    for (auto* list : chooser->findChildren<QListView*>()) {
        const QModelIndexList hits =
            list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, item, 1, Qt::MatchExactly);
        if (!hits.isEmpty()) {
            list->setCurrentIndex(hits.first());
            return true;
        }
    }
    return false;
}

QCheckBox* box_with_text(QWidget* dlg, const QString& text)
{
    for (auto* b : dlg->findChildren<QCheckBox*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Bold, italic, strike-out and underline are what the dialog shows when the
// operator presses 确定: a regular style picked from the list, the dialog's
// own 粗体 and 斜体 boxes (which offer bold where the face has none), and
// the chooser's effects.
TEST_F(RealDialogs, FontDialogStylesAreTheOperatorsChoice)
{
    const auto book = family_with_bold();
    if (!book)
        GTEST_SKIP() << "no font with a regular and a bold style";
    open_main();
    const UnitRef d = unit("通用对话框_字体");
    rt_set(d, P_FONT_FACE, std::string("宋体"));
    rt_set(d, P_FONT_SIZE, 36);
    rt_set(d, P_FONT_BOLD, true);

    // The first use picks a face that has a bold, then its regular style.
    accept_font_dialog([&](QFontDialog* chooser) {
        if (!click_item(chooser, book->first))
            ADD_FAILURE() << "no face " << book->first.toStdString();
        QCoreApplication::processEvents();
        if (!click_item(chooser, book->second))
            ADD_FAILURE() << "no style " << book->second.toStdString();
    });
    ASSERT_TRUE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_text(d, P_FONT_FACE), book->first.toStdString());
    EXPECT_FALSE(rt_get_bool(d, P_FONT_BOLD));
    EXPECT_FALSE(rt_get_bool(d, P_FONT_ITALIC));

    // It reopens regular; the boxes turn bold and italic on, the chooser's
    // effects underline.
    bool reopened_bold = true;
    accept_font_dialog([&](QFontDialog* chooser) {
        QWidget* dlg = chooser->parentWidget();
        QCheckBox* bold = box_with_text(dlg, QString::fromUtf8("粗体"));
        QCheckBox* italic = box_with_text(dlg, QString::fromUtf8("斜体"));
        if (!bold || !italic) {
            ADD_FAILURE() << "no 粗体 or 斜体 box";
            return;
        }
        reopened_bold = bold->isChecked() || chooser->currentFont().bold();
        bold->setChecked(true);
        italic->setChecked(true);
        QFont f = chooser->currentFont();
        f.setUnderline(true);
        chooser->setCurrentFont(f);
    });
    ASSERT_TRUE(rt_dialog_open(d));
    EXPECT_FALSE(reopened_bold);
    EXPECT_TRUE(rt_get_bool(d, P_FONT_BOLD));
    EXPECT_TRUE(rt_get_bool(d, P_FONT_ITALIC));
    EXPECT_TRUE(rt_get_bool(d, P_FONT_UNDERLINE));
    EXPECT_FALSE(rt_get_bool(d, P_FONT_STRIKEOUT));

    // Unticking bold on a face without a bold of its own gives regular.
    rt_set(d, P_FONT_FACE, std::string("宋体"));
    accept_font_dialog([&](QFontDialog* chooser) {
        chooser->setCurrentFont(QFontDatabase::font(QFontInfo(chooser->currentFont()).family(), QString(), 36));
        if (QCheckBox* bold = box_with_text(chooser->parentWidget(), QString::fromUtf8("粗体")))
            bold->setChecked(false);
    });
    ASSERT_TRUE(rt_dialog_open(d));
    EXPECT_FALSE(rt_get_bool(d, P_FONT_BOLD));
}

// The ticked 粗体 and 斜体 stay as they are when the operator picks another
// face; the face's own style for them is picked in the list.
TEST_F(RealDialogs, FontDialogKeepsTheTickedStylesForAnotherFace)
{
    const QString dejavu = QStringLiteral("DejaVu Sans");
    ASSERT_TRUE(QFontDatabase::hasFamily(dejavu));
    open_main();
    const UnitRef d = unit("通用对话框_字体");
    struct Case {
        bool bold, italic;
        const char* style;
    };
    for (const Case c : {Case{true, false, "Bold"}, Case{false, true, "Oblique"}, Case{true, true, "Bold Oblique"},
                         Case{false, false, "Book"}}) {
        SCOPED_TRACE(c.style);
        rt_set(d, P_FONT_FACE, std::string("宋体"));
        rt_set(d, P_FONT_SIZE, 36);
        rt_set(d, P_FONT_BOLD, c.bold);
        rt_set(d, P_FONT_ITALIC, c.italic);
        bool bold_shown = !c.bold, italic_shown = !c.italic;
        QString style_shown;
        accept_font_dialog([&](QFontDialog* chooser) {
            if (!click_item(chooser, dejavu)) {
                ADD_FAILURE() << "DejaVu Sans not in the list";
                return;
            }
            QCoreApplication::processEvents();
            QWidget* dlg = chooser->parentWidget();
            QCheckBox* bold = box_with_text(dlg, QString::fromUtf8("粗体"));
            QCheckBox* italic = box_with_text(dlg, QString::fromUtf8("斜体"));
            if (!bold || !italic) {
                ADD_FAILURE() << "no 粗体 or 斜体 box";
                return;
            }
            bold_shown = bold->isChecked();
            italic_shown = italic->isChecked();
            style_shown = chooser->currentFont().styleName();
        });
        ASSERT_TRUE(rt_dialog_open(d));
        EXPECT_EQ(bold_shown, c.bold);
        EXPECT_EQ(italic_shown, c.italic);
        EXPECT_EQ(style_shown.toStdString(), c.style);
        EXPECT_EQ(rt_get_text(d, P_FONT_FACE), dejavu.toStdString());
        EXPECT_EQ(rt_get_bool(d, P_FONT_BOLD), c.bold);
        EXPECT_EQ(rt_get_bool(d, P_FONT_ITALIC), c.italic);
    }
}

// A Chinese character or a full-width sign ("HTML(&H)：" is translated).
const QRegularExpression& chinese_character()
{
    static const QRegularExpression chinese(
        QStringLiteral("[\\x{3000}-\\x{303F}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
    return chinese;
}

// The texts a person reads on a dialog (labels, buttons, boxes, group
// titles) that are in English: Latin words and no Chinese character.
QStringList english_texts(QWidget* dialog)
{
    QStringList texts;
    for (auto* l : dialog->findChildren<QLabel*>())
        texts << l->text();
    for (auto* b : dialog->findChildren<QAbstractButton*>())
        if (!qobject_cast<QToolButton*>(b))
            texts << b->text();
    for (auto* g : dialog->findChildren<QGroupBox*>())
        texts << g->title();
    QStringList english;
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    for (const QString& t : texts)
        if (t.contains(word) && !t.contains(chinese_character()))
            english << t;
    return english;
}

// Every dialog of the toolkit speaks Chinese, and the picture filter shows
// its description once, as the handler wrote it, while it still filters by
// its pattern.
TEST_F(RealDialogs, FileFontAndColourDialogsSpeakChinese)
{
    open_main();
    const UnitRef files = unit("通用对话框1");
    rt_set(files, P_DIALOG_KIND, 0);
    struct FilterCase {
        const char* filter;
        QStringList shown;
        QStringList patterns;
    };
    const std::vector<FilterCase> filters = {
        {"图形文件(*.jpg)|*.jpg", {QString::fromUtf8("图形文件(*.jpg)")}, {"*.jpg"}},
        {"图片|*.jpg;*.jpeg|音乐文件(*.mp3)|*.mp3",
         {QString::fromUtf8("图片"), QString::fromUtf8("音乐文件(*.mp3)")},
         {"*.jpg", "*.jpeg"}},
    };
    for (const FilterCase& c : filters) {
        SCOPED_TRACE(c.filter);
        rt_set(files, P_DIALOG_FILTER, std::string(c.filter));
        QStringList english, shown, patterns;
        when_dialog_up([&](QWidget* dlg) {
            english = english_texts(dlg);
            if (auto* types = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                for (int i = 0; i < types->count(); ++i)
                    shown << types->itemText(i);
            if (auto* model = dlg->findChild<QFileSystemModel*>())
                patterns = model->nameFilters();
            // The kinds the file list shows.
            if (auto* icons = static_cast<QFileDialog*>(dlg)->iconProvider())
                for (const QString& entry : {QDir::tempPath(), QStringLiteral("/no/such/a.jpg")})
                    if (!icons->type(QFileInfo(entry)).contains(chinese_character()))
                        english << icons->type(QFileInfo(entry));
            static_cast<QDialog*>(dlg)->reject();
        });
        EXPECT_FALSE(rt_dialog_open(files));
        EXPECT_EQ(english.join(" | ").toStdString(), "");
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(patterns, c.patterns);
    }

    // The font dialog, and the colour dialog its colour button opens.
    const UnitRef font = unit("通用对话框_字体");
    QStringList font_english, colour_english;
    bool colour_opened = false;
    when_dialog_up([&](QWidget* dlg) {
        font_english = english_texts(dlg);
        QPushButton* colour = button_with_text(dlg, QString::fromUtf8("选择颜色..."));
        if (!colour) {
            ADD_FAILURE() << "no colour button";
            static_cast<QDialog*>(dlg)->reject();
            return;
        }
        QTimer::singleShot(50, qApp, [&, dlg] {
            QWidget* top = QApplication::activeModalWidget();
            if (top && top != dlg) {
                colour_opened = true;
                colour_english = english_texts(top);
                static_cast<QDialog*>(top)->reject();
            }
        });
        colour->click(); // returns when the colour dialog has closed
        static_cast<QDialog*>(dlg)->reject();
    });
    EXPECT_FALSE(rt_dialog_open(font));
    EXPECT_TRUE(colour_opened);
    EXPECT_EQ(font_english.join(" | ").toStdString(), "");
    EXPECT_EQ(colour_english.join(" | ").toStdString(), "");
}

// Escape in the font list cancels the whole dialog, as 取消 does.
TEST_F(RealDialogs, FontDialogEscapeCancelsTheWholeDialog)
{
    open_main();
    const UnitRef d = unit("通用对话框_字体");
    rt_set(d, P_FONT_FACE, std::string("宋体"));
    rt_set(d, P_FONT_SIZE, 20);
    rt_set(d, P_FONT_COLOR, 255);
    when_dialog_up([](QWidget* dlg) {
        auto* chooser = dlg->findChild<QFontDialog*>();
        if (!chooser) {
            ADD_FAILURE() << "no font chooser";
            static_cast<QDialog*>(dlg)->reject();
            return;
        }
        QFont f = chooser->currentFont();
        f.setPointSize(48);
        chooser->setCurrentFont(f);
        QTest::keyClick(chooser, Qt::Key_Escape);
        // A dialog left half open is closed here so the test ends.
        QTimer::singleShot(300, qApp, [dlg = QPointer<QWidget>(dlg)] {
            if (dlg && dlg->isVisible()) {
                ADD_FAILURE() << "the dialog stayed open after Escape";
                static_cast<QDialog*>(dlg.data())->reject();
            }
        });
    });
    EXPECT_FALSE(rt_dialog_open(d));
    EXPECT_EQ(rt_get_int(d, P_FONT_SIZE), 20);
    EXPECT_EQ(rt_get_int(d, P_FONT_COLOR), 255);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
