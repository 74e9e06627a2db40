#include "ui/TForm2.h"

#include "i18n/LanguageTables.h"
#include "i18n/Text.h"
#include "ui/Look.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextOption>

namespace {

constexpr int DialogFontPixels = 10;
constexpr QSize ClientSize(299, 159);
const QColor ScrollBarColor(200, 200, 200); // the system scroll-bar colour

} // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("O programie"));
    setFont(Look::uiFont(DialogFontPixels));
    setFixedSize(ClientSize);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(7, 7, 286, 122);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    Look::paintControl(Memo1, ScrollBarColor);
    // The design text; the language applied at start-up replaces it before
    // the dialog can be opened.
    if (const i18n::LanguageTable* polish = i18n::findLanguageTable(u"Polski")) {
        Memo1->setPlainText(QStringList{polish->at(Text::MakerLine1), polish->at(Text::MakerLine2),
                                        polish->at(Text::MakerLine3), QString(), i18n::creditsLine(), QString(),
                                        polish->at(Text::SoftwareVersion) + QStringLiteral(" 1.12")}
                                .join(QLatin1Char('\n')));
    }

    Button1 = new QPushButton(QStringLiteral("Zamknij"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(124, 135, 60, 21);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

TForm2::~TForm2() = default;

void TForm2::Button1Click()
{
    hide();
}
