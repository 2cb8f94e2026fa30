#include "QtDialogs.h"

#include <QDir>
#include <QMessageBox>

#include "OwnerDraw.h"

namespace {
QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Shows a dialog modally; afterwards the window that opened it is the active one again,
// as a desktop without a window manager (or the offscreen platform) does not do by itself.
int ExecModal(QDialog& dialog, QWidget* owner) {
    const int result = dialog.exec();
    if (owner && owner->isVisible()) owner->activateWindow();
    return result;
}
} // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(const TFileDialogState& state, bool save, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    // Qt's own dialog everywhere: the same look on every desktop, and one a test can drive.
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // An existing file is the program's question (add to it or overwrite it), not the dialog's.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setFileMode(save ? QFileDialog::AnyFile
                             : (state.FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    QStringList filters;
    for (const std::string& filter : FileDialogNameFilters(state.Filter)) filters << Q(filter);
    if (!filters.isEmpty()) dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(Q(state.DefaultExt));
    if (!state.InitialDir.empty() && QDir(Q(state.InitialDir)).exists())
        dialog->setDirectory(Q(state.InitialDir));
    if (!state.FileName.empty()) dialog->selectFile(Q(state.FileName));
    return dialog;
}

TQtDialogs::TQtDialogs(QWidget* owner) : fOwner(owner) {}

TQtDialogs::~TQtDialogs() {
    delete fEvaluationInfo.data();
    delete fInfoWindow.data();
}

std::int32_t TQtDialogs::MessageBox(const TMessageBoxRequest& request) {
    if (!IsKnownMessageStyle(request.Style)) {
        SystemMessage(UnhandledMessageStyleText, "");
        return mrNone;
    }
    TForm_OwnMessageBox box(fOwner);
    box.SetMessage(request.Caption, request.Message, request.Style, request.OKText, request.CancelText,
                   request.AuxText, request.CheckBoxText);
    CentreDialogOn(box, fOwner);
    return ExecModal(box, fOwner);
}

void TQtDialogs::SystemMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, Q(caption), Q(text), QMessageBox::Ok, fOwner);
    ExecModal(box, fOwner);
}

std::int32_t TQtDialogs::Select(const TSelectRequest& request, std::int32_t& chosen) {
    TForm_Select dialog(fOwner);
    dialog.setWindowTitle(Q(request.Caption));
    dialog.Label_Select->setText(Q(request.Label));
    dialog.Button_OK->setText(Q(request.OKText));
    dialog.Button_Cancel->setText(Q(request.CancelText));
    dialog.SetSelCnt(request.Choices);
    dialog.SetItemIndex(request.Preselected);
    CentreDialogOn(dialog, fOwner);
    const std::int32_t result = ExecModal(dialog, fOwner);
    if (result == mrOk) chosen = dialog.ItemIndex();
    return result;
}

std::int32_t TQtDialogs::InputQuery(const TQueryRequest& request, std::string& text) {
    TForm_InputQuery dialog(fOwner);
    dialog.SetQuery(request.Caption, request.Message, request.OKText, request.CancelText, request.TabletMode);
    dialog.Edit_Input->setText(Q(text));
    dialog.Button_OK->setEnabled(request.OKInitiallyEnabled);
    CentreDialogOn(dialog, fOwner);
    const std::int32_t result = ExecModal(dialog, fOwner);
    if (result == mrOk) text = dialog.Edit_Input->text().toStdString();
    return result;
}

bool TQtDialogs::ChooseFile(const TFileDialogState& state, bool save, std::string& fileName) {
    std::unique_ptr<QFileDialog> dialog = MakeFileDialog(state, save, fOwner);
    if (ExecModal(*dialog, fOwner) != QDialog::Accepted) return false;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty()) return false;
    fileName = QDir::toNativeSeparators(chosen.first()).toStdString();
    return true;
}

bool TQtDialogs::OpenFile(const TFileDialogState& dialog, std::string& fileName) {
    return ChooseFile(dialog, false, fileName);
}

bool TQtDialogs::SaveFile(const TFileDialogState& dialog, std::string& fileName) {
    return ChooseFile(dialog, true, fileName);
}

std::int32_t TQtDialogs::ConfigList(const TConfigListRequest& request, std::int32_t& chosen) {
    TForm_TestCfgList dialog(fOwner);
    dialog.Fill(request);
    CentreDialogOn(dialog, fOwner);
    const std::int32_t result = ExecModal(dialog, fOwner);
    if (result == mrOk) chosen = dialog.ItemIndex();
    return result;
}

void TQtDialogs::ShowEvaluationInfo(const std::string& text) {
    if (!fEvaluationInfo) fEvaluationInfo = new TForm_EvaluationInfo(fOwner);
    fEvaluationInfo->SetLabelText(text);
    CentreDialogOn(*fEvaluationInfo, fOwner);
    fEvaluationInfo->show();
    fEvaluationInfo->raise();
}

void TQtDialogs::HideEvaluationInfo() {
    if (fEvaluationInfo) fEvaluationInfo->hide();
}

void TQtDialogs::ShowVersion(const TVersionInfo& info) {
    if (!fInfoWindow) fInfoWindow = new TForm_Info(fOwner);
    fInfoWindow->SetInfo(info);
    CentreDialogOn(*fInfoWindow, fOwner);
    ExecModal(*fInfoWindow, fOwner);
}
