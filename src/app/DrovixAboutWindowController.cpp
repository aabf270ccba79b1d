#include "DrovixAboutWindowController.h"

#include "Fonts.h"
#include "Localization.h"
#include "ZTStringFormat.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

DrovixAboutWindowController::DrovixAboutWindowController(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(localized(QStringLiteral("About Melvora")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 18);
    layout->setSpacing(8);
    auto* name = new QLabel(QStringLiteral("Melvora"), this);
    name->setFont(Fonts::system(22, true));
    name->setAlignment(Qt::AlignHCenter);
    auto* version = new QLabel(ZTStringFormat::fill(localized(QStringLiteral("Version %@")),
                                                    {QCoreApplication::applicationVersion()}),
                               this);
    version->setAlignment(Qt::AlignHCenter);
    auto* blurb = new QLabel(localized(QStringLiteral("Ear training and music theory")), this);
    blurb->setAlignment(Qt::AlignHCenter);
    auto* maker = new QLabel(QStringLiteral("© Vantrel"), this);
    maker->setAlignment(Qt::AlignHCenter);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(blurb);
    layout->addWidget(maker);
    layout->addSpacing(8);
    layout->addWidget(buttons);
}

int DrovixAboutWindowController::runModal()
{
    return exec();
}
