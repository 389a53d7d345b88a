// The font dialog: the toolkit's font chooser has no colour, so it sits in a
// dialog of ours next to a colour button.
#include "runtime/ui/dialogs.h"
#include "runtime/ui/model.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace rtui {

namespace {

void paint_swatch(QPushButton* button, const QColor& c)
{
    QPixmap swatch(32, 16);
    swatch.fill(c);
    button->setIcon(QIcon(swatch));
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
    // list, and a face without a bold style turns the dialog's choice to
    // regular: show the face that really draws, and hand back each preset
    // value that the operator leaves as the dialog first showed it.
    QFont shown = preset;
    shown.setFamily(QFontInfo(preset).family());
    auto* fonts = new QFontDialog(shown, &dlg);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setCurrentFont(shown);
    const QFont initial = fonts->currentFont();
    layout->addWidget(fonts);

    QColor color = color_from_ref(choice.color);
    auto* row = new QHBoxLayout;
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
    if (f.bold() != initial.bold())
        choice.bold = f.bold();
    if (f.italic() != initial.italic())
        choice.italic = f.italic();
    if (f.underline() != initial.underline())
        choice.underline = f.underline();
    if (f.strikeOut() != initial.strikeOut())
        choice.strikeout = f.strikeOut();
    choice.color = ref_from_color(color);
    return true;
}

} // namespace rtui
