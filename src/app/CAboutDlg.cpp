#include "app/CAboutDlg.h"

#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "service/SupportContact.h"
#include "widgets/Artwork.h"
#include "widgets/CoreText.h"
#include "widgets/Palette.h"

namespace nimbrel {
namespace {

struct Contact {
    const char* label;
    const char* text;
};

constexpr Contact kContacts[] = {
    {QT_TRANSLATE_NOOP("nimbrel::CAboutDlg", "Официальный сайт"), support::kWebsite},
    {QT_TRANSLATE_NOOP("nimbrel::CAboutDlg", "Email"), support::kMail},
    {QT_TRANSLATE_NOOP("nimbrel::CAboutDlg", "Service phone"), support::kPhone},
    {QT_TRANSLATE_NOOP("nimbrel::CAboutDlg", "Adrress"), support::kAddress},
    {QT_TRANSLATE_NOOP("nimbrel::CAboutDlg", "Company"), support::kCompany},
};

}  // namespace

CAboutDlg::CAboutDlg(const AppRecord& app, QWidget* parent) : FramedDialog(parent, 65) {
    setWindowTitle(tr("О программе"));
    setFixedSize(440, 330);

    version_ = new QLabel(VersionText(app.m_VersionMajor, app.m_VersionMinor), this);
    QFont big = version_->font();
    big.setPixelSize(18);
    big.setBold(true);
    version_->setFont(big);
    version_->setStyleSheet(QStringLiteral("color: rgb(64,155,228); background: transparent;"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(7);
    int row = 0;
    for (const Contact& c : kContacts) {
        auto* label = new QLabel(tr(c.label), this);
        auto* text = new QLabel(CoreText(c.text), this);
        for (QLabel* l : {label, text}) {
            QFont f = l->font();
            f.setPixelSize(13);
            l->setFont(f);
        }
        label->setStyleSheet(QStringLiteral("color: rgb(64,155,228); background: transparent;"));
        text->setStyleSheet(QStringLiteral("color: rgb(60,60,60); background: transparent;"));
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(label, row, 0, Qt::AlignLeft);
        grid->addWidget(text, row, 1, Qt::AlignLeft);
        ++row;
    }
    ok_ = new FlatButton(tr("ОК"), FlatButton::Scheme::Primary, this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(30, BandHeight() + 18, 30, 18);
    body->setSpacing(14);
    body->addWidget(version_);
    body->addLayout(grid);
    body->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    body->addLayout(buttons);
}

QString CAboutDlg::VersionText(int major, int minor) {
    return tr("Farlo клиент v%1.%2").arg(major).arg(minor);
}

void CAboutDlg::PaintBand(QPainter& p, const QRect& band) {
    // The white logo: the blue one would vanish into the blue band.
    const QPixmap logo = SharedPixmap(QStringLiteral("LogoWhite.png"), devicePixelRatioF());
    const int side = band.height() - 18;
    const QRect at(18, (band.height() - side) / 2, side, side);
    if (!logo.isNull()) {
        const QSize size =
            logo.deviceIndependentSize().toSize().scaled(side, side, Qt::KeepAspectRatio);
        p.drawPixmap(QRect(at.topLeft(), size), logo);
    } else {
        // Without the picture: its white ring and lens.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, side / 12.0));
        p.drawEllipse(QRectF(at).adjusted(side / 12.0, side / 12.0, -side / 12.0, -side / 12.0));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(at.center()) + QPointF(0.5, 0.5), side * 15 / 64.0, side * 15 / 64.0);
        p.restore();
    }
    const int x = at.right() + 1 + 12;
    QFont f = font();
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(x, 0, band.width() - x - 40, band.height()), Qt::AlignVCenter,
               QStringLiteral("Farlo"));
}

}  // namespace nimbrel
