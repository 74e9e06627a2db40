#include "ui/TForm4.h"

#include "ui/DataSource.h"
#include "ui/DbText.h"
#include "ui/Look.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int DialogFontPixels = 10;
constexpr int CaptionFontPixels = 11;
constexpr int ValueFontPixels = 15;
constexpr int ButtonFontPixels = 11;
constexpr int CaptionLeft = 33;
constexpr int ValueLeft = 210;
constexpr int DuplicateValueWidth = 111;
// The outer 341 x 286 less a frame of 4 pixels at each side and a title bar
// of 30, and the rows of the card's number.
constexpr QSize ClientSize(333, 252 + TForm4::CardNumberRowsHeight);
constexpr int CardNumberTop = 170;
constexpr int CardNumberRowHeight = 24;
constexpr int CardNumberValueWidth = 120;

void setTextColor(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::ButtonText, color);
    w->setPalette(p);
}

} // namespace

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Informacje o karcie "));
    setFont(Look::uiFont(DialogFontPixels));
    resize(ClientSize);

    auto caption = [this](const char* name, int top, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setFont(Look::uiFont(CaptionFontPixels, true));
        setTextColor(l, QColor(0, 0, 128));
        l->move(CaptionLeft, top);
        l->adjustSize();
        return l;
    };
    auto value = [this](const char* name, const QRect& place) {
        auto* t = new DbText(this);
        t->setObjectName(QLatin1String(name));
        t->setFont(Look::uiFont(ValueFontPixels, true));
        setTextColor(t, Qt::black);
        t->setGeometry(place);
        return t;
    };

    label10 = caption("label10", 24, QStringLiteral("Nazwisko......................................."));
    Label6 = caption("Label6", 49, QStringLiteral("Imię....................................."));
    Label2 = caption("Label2", 73, QStringLiteral("Grupa.................................."));
    Label3 = caption("Label3", 98, QStringLiteral("Ilosc duplikatow..................."));
    Label5 = caption("Label5", 122, QStringLiteral("Duplikat..............................."));
    Label4 = caption("Label4", 146, QStringLiteral("ID....................................... "));

    DBText5 = value("DBText5", QRect(ValueLeft, 22, 111, 15));
    DBText4 = value("DBText4", QRect(ValueLeft, 46, 117, 17));
    DBText3 = value("DBText3", QRect(ValueLeft, 71, 109, 18));
    DBText2 = value("DBText2", QRect(ValueLeft, 95, 98, 14));
    Label1 = new QLabel(QStringLiteral("0"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Look::uiFont(ValueFontPixels, true));
    setTextColor(Label1, Qt::black);
    // Wide enough for any duplicate number the Find evaluation writes later.
    Label1->adjustSize();
    Label1->setGeometry(ValueLeft, 119, DuplicateValueWidth, Label1->height());
    DBText1 = value("DBText1", QRect(ValueLeft, 144, 104, 14));

    // The card's number, below the rows the dialog always had.
    QLabel** const numberRows[][2] = {{&CardHexCaption, &CardHex},
                                      {&CardDecimal32Caption, &CardDecimal32},
                                      {&CardDecimal24Caption, &CardDecimal24},
                                      {&FacilityCardCaption, &FacilityCard}};
    const char* const numberNames[][2] = {{"CardHexCaption", "CardHex"},
                                          {"CardDecimal32Caption", "CardDecimal32"},
                                          {"CardDecimal24Caption", "CardDecimal24"},
                                          {"FacilityCardCaption", "FacilityCard"}};
    for (int row = 0; row < 4; ++row) {
        const int top = CardNumberTop + row * CardNumberRowHeight;
        *numberRows[row][0] = caption(numberNames[row][0], top, QString());
        auto* number = new QLabel(this);
        number->setObjectName(QLatin1String(numberNames[row][1]));
        number->setFont(Look::uiFont(ValueFontPixels, true));
        setTextColor(number, Qt::black);
        number->setGeometry(ValueLeft, top - 2, CardNumberValueWidth, Label1->height());
        *numberRows[row][1] = number;
    }

    Button1 = new QPushButton(QStringLiteral("Zamknij"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFont(Look::uiFont(ButtonFontPixels));
    setTextColor(Button1, Qt::black);
    Button1->setGeometry(129, 175 + CardNumberRowsHeight, 77, 25);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
}

TForm4::~TForm4() = default;

void TForm4::bind(DataSource* ds1)
{
    DBText5->bind(ds1, QStringLiteral("NAME"));
    DBText4->bind(ds1, QStringLiteral("SURNAME"));
    DBText3->bind(ds1, QStringLiteral("GROUP"));
    DBText2->bind(ds1, QStringLiteral("INDEX"));
    DBText1->bind(ds1, QStringLiteral("NUMBER"));
}

void TForm4::setCardNumber(const cards::PrintedNumber& number)
{
    CardHex->setText(number.hex);
    CardDecimal32->setText(number.decimal32);
    CardDecimal24->setText(number.decimal24);
    FacilityCard->setText(number.facilityCard);
}

void TForm4::Button1Click()
{
    hide();
}
