#include "ui/TForm3.h"

#include "ui/Look.h"

#include <QLabel>
#include <QProgressBar>

namespace {

constexpr int DialogFontPixels = 10;
constexpr int LabelFontPixels = 16;
constexpr QSize ClientSize(407, 72);

} // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Read/write  card"));
    setFont(Look::uiFont(DialogFontPixels));
    setFixedSize(ClientSize);

    bar2 = new QProgressBar(this);
    bar2->setObjectName(QStringLiteral("bar2"));
    bar2->setGeometry(26, 26, 352, 19);
    bar2->setRange(0, 100);
    bar2->setValue(0);
    bar2->setTextVisible(false);
    bar2->setStyleSheet(QStringLiteral("QProgressBar#bar2 { background: yellow; border: 1px solid gray; }"
                                       " QProgressBar#bar2::chunk { background: blue; }"));

    Label1 = new QLabel(QStringLiteral("Transmit"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(Look::uiFont(LabelFontPixels, true));
    Label1->move(163, 46);
    Label1->adjustSize();
}

TForm3::~TForm3() = default;
