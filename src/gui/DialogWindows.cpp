#include "DialogWindows.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

TRect ToRect(const QRect& r) {
    return TRect{r.x(), r.y(), r.width(), r.height()};
}

void Place(QWidget& widget, const TRect& r) {
    widget.setGeometry(r.Left, r.Top, r.Width, r.Height);
}

void UseDialogFont(QWidget& dialog) {
    QFont font = dialog.font();
    font.setPointSize(DialogFontSize);
    dialog.setFont(font);
}

QPushButton* MakeButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->resize(DialogButtonWidth, DialogButtonHeight);
    // Enter belongs to the dialog's own key rules, not to whichever button has the focus.
    button->setAutoDefault(false);
    return button;
}

// Enter clicks the button that has the focus, else the fallback when there is one (a
// desktop user's Enter for OK); true when the key was Enter.
bool EnterPressesButton(QDialog& dialog, QKeyEvent& event, QPushButton* fallback) {
    if (event.key() != Qt::Key_Return && event.key() != Qt::Key_Enter) return false;
    auto* focused = qobject_cast<QPushButton*>(dialog.focusWidget());
    QPushButton* button = focused ? focused : fallback;
    if (button && button->isVisible() && button->isEnabled()) button->click();
    event.accept();
    return true;
}

// No title-bar buttons, only the caption.
constexpr Qt::WindowFlags NoTitleButtons = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

} // namespace

void CentreDialogOn(QWidget& dialog, const QWidget* owner) {
    TRect area;
    if (owner)
        area = ToRect(owner->frameGeometry());
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = ToRect(screen->availableGeometry());
    const TRect r = CentreOn(area, dialog.width(), dialog.height());
    dialog.move(r.Left, r.Top);
}

int WrappedTextHeight(const QLabel& label, int width) {
    const QFontMetrics fm(label.font());
    return fm.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap | Qt::AlignLeft, label.text())
        .height();
}

int DesktopWidth(const QWidget* owner) {
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().width() : 1024;
}

// ------------------------------------------------------------------ message box

TForm_OwnMessageBox::TForm_OwnMessageBox(QWidget* parent) : QDialog(parent, NoTitleButtons) {
    UseDialogFont(*this);
    Label_Message = new QLabel(this);
    Label_Message->setWordWrap(true);
    Label_Message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Message->setTextFormat(Qt::PlainText);
    Button_OK = MakeButton(this);
    Button_Cancel = MakeButton(this);
    Button_Aux = MakeButton(this);
    CheckBox_1 = new QCheckBox(this);
    CheckBox_1->hide();
    Button_Aux->hide();
    connect(Button_OK, &QPushButton::clicked, this, [this] { ButtonClick(eMsgButton::OK); });
    connect(Button_Cancel, &QPushButton::clicked, this, [this] { ButtonClick(eMsgButton::Cancel); });
    connect(Button_Aux, &QPushButton::clicked, this, [this] { ButtonClick(eMsgButton::Aux); });
}

void TForm_OwnMessageBox::SetMessage(const std::string& Cap, const std::string& Msg, std::int32_t MsgStyle,
                                     const std::string& OK_Text, const std::string& Cancel_Text,
                                     const std::string& Aux_Text, const std::string& CheckBox_Text) {
    MsgType = MsgStyle;
    setWindowTitle(Q(Cap));
    const int B = Button_OK->width(), H = Button_OK->height();
    const int desktop = DesktopWidth(parentWidget());
    const int W = MessageBoxWidth(MsgStyle, B, desktop);
    Label_Message->setText(Q(Msg));
    const int labelTop = 16;
    const int labelHeight = WrappedTextHeight(*Label_Message, W - 40);
    Layout = SetMessageLayout(MsgStyle, B, H, labelTop, labelHeight, desktop);

    Place(*Label_Message, Layout.Label);
    Button_OK->setText(Q(OK_Text));
    Button_Cancel->setText(Q(Cancel_Text));
    Button_Aux->setText(Q(Aux_Text));
    CheckBox_1->setText(Q(CheckBox_Text));
    Place(*Button_OK, Layout.OK);
    Place(*Button_Cancel, Layout.Cancel);
    Place(*Button_Aux, Layout.Aux);
    Place(*CheckBox_1, Layout.CheckBox);
    Button_Cancel->setVisible(Layout.CancelVisible);
    Button_Aux->setVisible(Layout.AuxVisible);
    CheckBox_1->setVisible(Layout.CheckBoxVisible);
    setFixedSize(Layout.Width, Layout.Height - DialogTitleBarHeight);
    Button_OK->setFocus();
}

void TForm_OwnMessageBox::ButtonClick(eMsgButton button) {
    const std::int32_t result = MessageBoxResult(MsgType, button, CheckBox_1->isChecked());
    if (result != mrNone) done(result);
}

void TForm_OwnMessageBox::reject() {
    // Only a close from outside (the window manager) gets here: like the system menu, it cancels.
    done(mrCancel);
}

void TForm_OwnMessageBox::keyPressEvent(QKeyEvent* event) {
    // The box has no cancel key: Escape would answer a question nobody answered.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    if (!EnterPressesButton(*this, *event, nullptr)) QDialog::keyPressEvent(event);
}

// ------------------------------------------------------------------ selection

TForm_Select::TForm_Select(QWidget* parent) : QDialog(parent) {
    UseDialogFont(*this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    Label_Select = new QLabel(this);
    Label_Select->setWordWrap(true);
    Label_Select->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Select->setTextFormat(Qt::PlainText);
    RadioGroup_Select = new QGroupBox(this);
    Button_OK = MakeButton(this);
    Button_Cancel = MakeButton(this);
    connect(Button_OK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button_Cancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

void TForm_Select::SetSelCnt(const std::vector<std::string>& Strings) {
    SelectionCnt = static_cast<std::int32_t>(Strings.size());
    const QFontMetrics fm(font());
    TSelectMetrics m;
    m.ButtonWidth = Button_OK->width();
    m.ButtonHeight = Button_OK->height();
    m.LabelTextWidth = fm.horizontalAdvance(Label_Select->text());
    m.LabelTextHeight = fm.height();
    m.GgTextHeight = fm.boundingRect("Gg").height();
    m.FontSize = font().pointSize();
    // Room for the group's frame above and below the buttons.
    m.RadioGroupInitialHeight = fm.height() / 2 + 10;
    Layout = SetSelCntLayout(SelectionCnt, m);

    for (QRadioButton* radio : Radios) delete radio;
    Radios.clear();
    const int step = m.GgTextHeight + (m.FontSize / 8) * 7;
    for (std::size_t i = 0; i < Strings.size(); ++i) {
        auto* radio = new QRadioButton(Q(Strings[i]), RadioGroup_Select);
        radio->setGeometry(8, m.RadioGroupInitialHeight / 2 + static_cast<int>(i) * step,
                           Layout.RadioGroup.Width - 16, step);
        Radios.push_back(radio);
    }
    Place(*Label_Select, Layout.Label);
    Place(*RadioGroup_Select, Layout.RadioGroup);
    Place(*Button_OK, Layout.OK);
    Place(*Button_Cancel, Layout.Cancel);
    setFixedSize(Layout.Width, Layout.ClientHeight);
}

void TForm_Select::SetItemIndex(std::int32_t index) {
    if (index >= 0 && index < static_cast<std::int32_t>(Radios.size()))
        Radios[static_cast<std::size_t>(index)]->setChecked(true);
}

std::int32_t TForm_Select::ItemIndex() const {
    for (std::size_t i = 0; i < Radios.size(); ++i)
        if (Radios[i]->isChecked()) return static_cast<std::int32_t>(i);
    return -1;
}

void TForm_Select::keyPressEvent(QKeyEvent* event) {
    if (!EnterPressesButton(*this, *event, Button_OK)) QDialog::keyPressEvent(event);
}

// ------------------------------------------------------------------ input

TForm_InputQuery::TForm_InputQuery(QWidget* parent) : QDialog(parent, NoTitleButtons) {
    UseDialogFont(*this);
    Label_InputQuery = new QLabel(this);
    Label_InputQuery->setWordWrap(true);
    Label_InputQuery->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_InputQuery->setTextFormat(Qt::PlainText);
    Edit_Input = new QLineEdit(this);
    Button_OK = MakeButton(this);
    Button_Cancel = MakeButton(this);
    connect(Button_OK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(Button_Cancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    // Typing enables OK; emptying the edit again leaves it enabled.
    connect(Edit_Input, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty()) Button_OK->setEnabled(true);
    });
    for (QWidget* control : std::initializer_list<QWidget*>{Edit_Input, Button_OK, Button_Cancel})
        control->installEventFilter(this);
}

void TForm_InputQuery::SetQuery(const std::string& Cap, const std::string& Msg, const std::string& OK_Text,
                                const std::string& Cancel_Text, bool TabletMode) {
    setWindowTitle(Q(Cap));
    const int B = Button_OK->width();
    Label_InputQuery->setText(Q(Msg));
    const int labelTop = 16;
    const int labelHeight = WrappedTextHeight(*Label_InputQuery, 3 * B - 40);
    Layout = SetQueryLayout(B, Button_OK->height(), labelTop, labelHeight, Edit_Input->sizeHint().height());
    Place(*Label_InputQuery, Layout.Label);
    Place(*Edit_Input, Layout.Edit);
    Place(*Button_OK, Layout.OK);
    Place(*Button_Cancel, Layout.Cancel);
    Button_OK->setText(Q(OK_Text));
    Button_Cancel->setText(Q(Cancel_Text));
    setFixedSize(Layout.Width, Layout.Height - DialogTitleBarHeight);
    PromptTouchKeyboard = TabletMode;
    Edit_Input->setFocus();
}

namespace {
eQueryKey QueryKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return eQueryKey::Enter;
    case Qt::Key_Escape: return eQueryKey::Escape;
    default: return eQueryKey::Other;
    }
}
} // namespace

bool TForm_InputQuery::HandleKey(QKeyEvent& event) {
    const eQueryKey key = QueryKey(event);
    if (key == eQueryKey::Other) return false;
    // Enter and Escape act when released, never through a default button.
    if (event.type() == QEvent::KeyRelease) {
        const std::int32_t result = QueryKeyResult(key, Edit_Input->text().toStdString());
        if (result != mrNone) done(result);
    }
    event.accept();
    return true;
}

bool TForm_InputQuery::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        if (HandleKey(*static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void TForm_InputQuery::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(*event)) QDialog::keyPressEvent(event);
}

void TForm_InputQuery::keyReleaseEvent(QKeyEvent* event) {
    if (!HandleKey(*event)) QDialog::keyReleaseEvent(event);
}

// ------------------------------------------------------------------ configuration list

TForm_TestCfgList::TForm_TestCfgList(QWidget* parent) : QDialog(parent) {
    UseDialogFont(*this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ListBox_Cfg = new QListWidget(this);
    ListBox_Cfg->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListBox_Cfg->viewport()->installEventFilter(this);
    Button_OK = MakeButton(this);
    Button_OK->setEnabled(false);
    connect(Button_OK, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(ListBox_Cfg, &QListWidget::itemSelectionChanged, this,
            [this] { Button_OK->setEnabled(!ListBox_Cfg->selectedItems().isEmpty()); });
}

void TForm_TestCfgList::Fill(const TConfigListRequest& request) {
    setWindowTitle(Q(request.Caption));
    Button_OK->setText(Q(request.OKText));
    ListBox_Cfg->clear();
    const QFontMetrics fm(font());
    int widest = 0;
    for (const std::string& entry : request.Entries) {
        ListBox_Cfg->addItem(Q(entry));
        widest = std::max(widest, fm.horizontalAdvance(Q(entry)));
    }
    // Every row as wide as the scroll range (and as high as it was), so the list scrolls
    // exactly that far.
    const int rowHeight = ListBox_Cfg->count() > 0 ? ListBox_Cfg->sizeHintForRow(0) : 0;
    for (int i = 0; i < ListBox_Cfg->count(); ++i)
        ListBox_Cfg->item(i)->setSizeHint(QSize(ConfigListScrollWidth(widest), rowHeight));
    Layout = ConfigListLayout(fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), fm.height(),
                              Button_OK->width(), Button_OK->height(), 8);
    // The list sits in the middle of the window's spare width.
    TRect list = Layout.List;
    list.Left = (Layout.Width - list.Width) / 2;
    Place(*ListBox_Cfg, list);
    Place(*Button_OK, Layout.OK);
    setFixedSize(Layout.Width, Layout.Height);
    Button_OK->setEnabled(false);
}

std::int32_t TForm_TestCfgList::ItemIndex() const {
    const QList<QListWidgetItem*> selected = ListBox_Cfg->selectedItems();
    return selected.isEmpty() ? -1 : ListBox_Cfg->row(selected.first());
}

bool TForm_TestCfgList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListBox_Cfg->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!ListBox_Cfg->itemAt(mouse->position().toPoint())) {
            ListBox_Cfg->clearSelection();
            ListBox_Cfg->setCurrentRow(-1);
            Button_OK->setEnabled(false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_TestCfgList::keyPressEvent(QKeyEvent* event) {
    // OK is enabled only while an item is chosen, so Enter in the list takes the chosen one.
    if (!EnterPressesButton(*this, *event, Button_OK)) QDialog::keyPressEvent(event);
}

// ------------------------------------------------------------------ evaluation prompt

TForm_EvaluationInfo::TForm_EvaluationInfo(QWidget* parent) : QDialog(parent, NoTitleButtons) {
    UseDialogFont(*this);
    setModal(false);
    Label_InfoText = new QLabel(this);
    Label_InfoText->setTextFormat(Qt::PlainText);
    QFont font = Label_InfoText->font();
    font.setPointSize(14);
    Label_InfoText->setFont(font);
}

void TForm_EvaluationInfo::closeEvent(QCloseEvent* event) {
    // Only the program hides it (HideEvaluationInfo).
    event->ignore();
}

void TForm_EvaluationInfo::SetLabelText(const std::string& Text) {
    Label_InfoText->setText(Q(Text));
    Label_InfoText->adjustSize();
    Layout = EvaluationInfoLayout(Label_InfoText->width(), Label_InfoText->height());
    Label_InfoText->move(10, (Layout.Height - Label_InfoText->height()) / 2);
    setFixedSize(Layout.Width, Layout.Height);
}

// ------------------------------------------------------------------ version window

TForm_Info::TForm_Info(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    UseDialogFont(*this);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(166, 202, 240)); // sky blue
    setPalette(palette);
    setAutoFillBackground(true);
    setWindowOpacity(230.0 / 255.0);

    Label_ProgName = new QLabel(this);
    QFont nameFont = font();
    nameFont.setPointSize(14);
    nameFont.setBold(true);
    nameFont.setUnderline(true);
    Label_ProgName->setFont(nameFont);
    Label_ProgName->setStyleSheet("color: rgb(0, 0, 128);");
    Image_Logo = new QLabel(this);
    Image_Logo->setFixedSize(LogoWidth, LogoHeight);
    Image_Logo->setAlignment(Qt::AlignCenter);
    Image_Logo->setAttribute(Qt::WA_TranslucentBackground);
    Label_Customer = new QLabel(this);
    QFont customerFont = font();
    customerFont.setBold(true);
    Label_Customer->setFont(customerFont);
    Label_Customer->setStyleSheet("color: rgb(128, 0, 0);");
    Label_Version = new QLabel(this);
    Label_Version->setStyleSheet("color: black;");
    Button_close = MakeButton(this);
    connect(Button_close, &QPushButton::clicked, this, [this] { done(mrOk); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);
    for (QLabel* label : {Label_ProgName, Label_Customer, Label_Version}) label->setTextFormat(Qt::PlainText);
    layout->addWidget(Label_ProgName, 0, Qt::AlignHCenter);
    layout->addWidget(Image_Logo, 0, Qt::AlignHCenter);
    layout->addWidget(Label_Customer, 0, Qt::AlignHCenter);
    layout->addWidget(Label_Version, 0, Qt::AlignHCenter);
    layout->addWidget(Button_close, 0, Qt::AlignHCenter);
    setMinimumWidth(280);
    Image_Logo->hide();
}

void TForm_Info::SetInfo(const TVersionInfo& info) {
    Label_ProgName->setText(Q(info.ProgName));
    updateLogo(info.LogoFile);
    Label_Customer->setText(Q(info.Customer));
    Label_Version->setText(Q(info.Version));
    UpdateLanguage(info.CloseText);
    adjustSize();
}

void TForm_Info::updateLogo(const std::string& fileName) {
    if (fileName == LogoFile && !fileName.empty()) return; // already loaded
    LogoFile = fileName;
    QImage picture;
    if (!fileName.empty() && QFile::exists(Q(fileName))) picture.load(Q(fileName));
    if (picture.isNull()) {
        Image_Logo->clear();
        Image_Logo->hide();
        return;
    }
    Image_Logo->setPixmap(QPixmap::fromImage(
        picture.scaled(LogoWidth, LogoHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    Image_Logo->show();
}

void TForm_Info::UpdateLanguage(const std::string& closeText) {
    Button_close->setText(Q(closeText));
}
