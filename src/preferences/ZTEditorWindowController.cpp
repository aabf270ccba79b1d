#include "ZTEditorWindowController.h"

#include "Alert.h"
#include "Localization.h"

namespace {

ZTEditorWindowController::Runner& installedRunner()
{
    static ZTEditorWindowController::Runner runner;
    return runner;
}

} // namespace

ZTEditorWindowController::~ZTEditorWindowController()
{
    delete window_;
}

void ZTEditorWindowController::setRunner(Runner runner)
{
    installedRunner() = std::move(runner);
}

QDialog* ZTEditorWindowController::window()
{
    if (!window_) {
        window_ = buildWindow();
        window_->setWindowModality(Qt::ApplicationModal);
        windowDidLoad();
    }
    return window_;
}

int ZTEditorWindowController::runModal()
{
    QDialog* shown = window();
    if (installedRunner())
        return installedRunner()(*this);
    return shown->exec();
}

void ZTEditorWindowController::closeAfterSave()
{
    window()->done(QDialog::Accepted);
}

void ZTEditorWindowController::showRefusal(const QString& message, const QString& informativeText)
{
    Alert::runModal({localized(message), informativeText, {localized(QStringLiteral("Ok"))}, Alert::Style::Warning},
                    window());
}
