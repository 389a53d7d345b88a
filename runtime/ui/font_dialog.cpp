// The font dialog: the toolkit's font chooser has no colour, so it sits in a
// dialog of ours next to a colour button.
#include "runtime/ui/dialogs.h"
#include "runtime/ui/model.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <functional>

namespace rtui {

namespace {

void paint_swatch(QPushButton* button, const QColor& c)
{
    QPixmap swatch(32, 16);
    swatch.fill(c);
    button->setIcon(QIcon(swatch));
}

// The face's own style with that weight and slant, or "" when it has none.
// Oblique counts as slanted as italic does.
QString style_named(const QString& family, bool bold, bool italic)
{
    QString found;
    int found_rank = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont f = QFontDatabase::font(family, style, 12);
        if ((f.weight() >= QFont::Bold) != bold || f.italic() != italic)
            continue;
        // Of several, the plain one: the plain weight (no "Light" for
        // regular, no "Black" for bold), then the shortest name, as a
        // width ("Condensed", "Narrow") is known only by its name here.
        const bool plain_weight = f.weight() == (bold ? QFont::Bold : QFont::Normal);
        const int rank = (plain_weight ? 0 : 1000) + static_cast<int>(style.size());
        if (found.isEmpty() || rank < found_rank) {
            found = style;
            found_rank = rank;
        }
    }
    return found;
}

} // namespace

bool show_font_dialog(FontChoice& choice)
{
    QDialog dlg;
    dlg.setWindowTitle(QString::fromUtf8("字体"));
    auto* layout = new QVBoxLayout(&dlg);

    QFont preset = make_font(choice.face, pixels_from_points(choice.size_pt), choice.bold, choice.italic,
                             choice.underline, choice.strikeout);
    if (choice.size_pt > 0)
        preset.setPointSize(choice.size_pt);
    // The designed faces are only substitutes here and not in the dialog's
    // list: show the face that really draws, and hand back the preset's name
    // and size while the operator leaves them as the dialog first showed them.
    const QFontInfo drawn(preset);
    QFont shown = preset;
    shown.setFamily(drawn.family());
    // By its own name the list finds the style even where it is not called
    // "Regular" or "Bold" ("Roman", "Book", "Demi").
    shown.setStyleName(drawn.styleName());
    auto* fonts = new QFontDialog(shown, &dlg);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setCurrentFont(shown);
    const QFont initial = fonts->currentFont();
    layout->addWidget(fonts);
    // The chooser is a dialog of its own: Escape in it (or anything else that
    // ends it) ends ours the same way.
    QObject::connect(fonts, &QDialog::finished, &dlg, [&dlg](int result) {
        dlg.done(result == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected);
    });

    // Bold and italic as boxes of their own: the style list offers only the
    // styles a face has, while the labels can draw any face bold or italic.
    // Picking a style in the list sets them; ticking them picks the style
    // where the face has one. Picking another face keeps them, and picks
    // that face's style for them.
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QString::fromUtf8("字形:"), &dlg));
    auto* bold = new QCheckBox(QString::fromUtf8("粗体"), &dlg);
    auto* italic = new QCheckBox(QString::fromUtf8("斜体"), &dlg);
    bold->setChecked(choice.bold);
    italic->setChecked(choice.italic);
    row->addWidget(bold);
    row->addWidget(italic);
    bool pushing = false;
    QFont last = initial;
    std::function<void()> push_style;
    QObject::connect(fonts, &QFontDialog::currentFontChanged, &dlg, [&](const QFont& f) {
        const bool other_face = f.family() != last.family();
        if (!pushing && !other_face) {
            const QSignalBlocker quiet_bold(bold), quiet_italic(italic);
            if (f.bold() != last.bold())
                bold->setChecked(f.bold());
            if (f.italic() != last.italic())
                italic->setChecked(f.italic());
        }
        last = f;
        // The chooser is still updating its lists for the new face: pick
        // the style once it is done.
        if (!pushing && other_face)
            QMetaObject::invokeMethod(&dlg, [&] { push_style(); }, Qt::QueuedConnection);
    });
    push_style = [&] {
        QFont f = fonts->currentFont();
        const QString style = style_named(f.family(), bold->isChecked(), italic->isChecked());
        if (style.isEmpty() || style == f.styleName())
            return;
        f.setStyleName(style);
        pushing = true;
        fonts->setCurrentFont(f);
        pushing = false;
    };
    QObject::connect(bold, &QCheckBox::toggled, &dlg, push_style);
    QObject::connect(italic, &QCheckBox::toggled, &dlg, push_style);
    row->addSpacing(24);

    QColor color = color_from_ref(choice.color);
    row->addWidget(new QLabel(QString::fromUtf8("颜色:"), &dlg));
    auto* color_button = new QPushButton(QString::fromUtf8("选择颜色..."), &dlg);
    paint_swatch(color_button, color);
    QObject::connect(color_button, &QPushButton::clicked, &dlg, [&] {
        const QColor c = QColorDialog::getColor(color, &dlg, QString::fromUtf8("颜色"),
                                                QColorDialog::DontUseNativeDialog);
        if (c.isValid()) {
            color = c;
            paint_swatch(color_button, color);
        }
    });
    row->addWidget(color_button);
    row->addStretch();
    layout->addLayout(row);

    add_ok_cancel(dlg, layout);

    if (dlg.exec() != QDialog::Accepted)
        return false;
    const QFont f = fonts->currentFont();
    if (f.family() != initial.family())
        choice.face = f.family().toStdString();
    if (f.pointSize() != initial.pointSize() || f.pixelSize() != initial.pixelSize())
        choice.size_pt = f.pointSize() > 0 ? f.pointSize() : points_from_pixels(f.pixelSize());
    choice.bold = bold->isChecked();
    choice.italic = italic->isChecked();
    choice.underline = f.underline();
    choice.strikeout = f.strikeOut();
    choice.color = ref_from_color(color);
    return true;
}

} // namespace rtui
