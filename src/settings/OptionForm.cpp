#include "settings/OptionForm.h"

#include "platform/ButtonKeys.h"
#include "platform/TextBoxes.h"
#include "platform/Twips.h"
#include "settings/SettingsFiles.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

OptionForm::OptionForm(AccountSettings& settings, const ProgramFolder& folder, Seams seams,
                       QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , settings_(settings)
    , folder_(folder)
    , seams_(seams)
{
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("サーバー設定"));
    setFixedSize(twips::size(2970, 3075));

    // The labels reach down to their boxes and use a font half a point under the window's: the
    // substituted Japanese font needs more height than the design gives, and the access key's
    // underline sits below the text.
    const QFont labelFont = halfPointSmaller(font());
    auto label = [this, &labelFont](const QString& text, int top, int width) {
        auto* l = new QLabel(text, this);
        l->setGeometry(twips::rect(120, top, width, 240));
        l->setFont(labelFont);
        return l;
    };
    auto box = [this](const QString& name, int top) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(twips::rect(120, top, 2652, 264));
        showStartOfSetTexts(*e);
        return e;
    };
    Label1 = label(QStringLiteral("SMTPサーバー名(&S)"), 120, 1575);
    SmtpText = box(QStringLiteral("SmtpText"), 360);
    Label2 = label(QStringLiteral("POP3サーバー名(&P)"), 720, 1635);
    Pop3Text = box(QStringLiteral("Pop3Text"), 960);
    Label3 = label(QStringLiteral("メールアドレス(&M)"), 1320, 1635);
    MailText = box(QStringLiteral("MailText"), 1560);
    Label1->setBuddy(SmtpText);
    Label2->setBuddy(Pop3Text);
    Label3->setBuddy(MailText);

    ApopCheck = new QCheckBox(QStringLiteral("APOP を使用する(&A)"), this);
    ApopCheck->setGeometry(twips::rect(660, 2040, 2172, 252));

    OkCommand = new QPushButton(QStringLiteral("設定"), this);
    OkCommand->setGeometry(twips::rect(660, 2520, 972, 372));
    CancelCommand = new QPushButton(QStringLiteral("中止"), this);
    CancelCommand->setGeometry(twips::rect(1860, 2520, 912, 372));
    for (QPushButton* button : {OkCommand, CancelCommand}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(OkCommand, &QPushButton::clicked, this, &OptionForm::OkCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &QDialog::reject);
    enterPressesFocusedButton(*this);

    // The boxes show the settings in memory, which may differ from the file after a failed save.
    SmtpText->setText(settings_.SmtpServer);
    Pop3Text->setText(settings_.Pop3Server);
    MailText->setText(settings_.MailAddress);
    // Only 0 and 1 are ever stored; any other non-zero value also means APOP, so show it ticked.
    ApopCheck->setChecked(settings_.UseApop != 0);
}

void OptionForm::OkCommand_Click()
{
    settings_.SmtpServer = SingleLineValue(SmtpText->text());
    settings_.Pop3Server = SingleLineValue(Pop3Text->text());
    settings_.MailAddress = SingleLineValue(MailText->text());
    settings_.UseApop = ApopCheck->isChecked() ? 1 : 0;
    const SaveResult saved = SaveMainSettings(settings_, folder_);
    if (!saved.ok) {
        seams_.messages.warn(this,
                             QStringLiteral("設定ファイルに書き込めませんでした。\n%1\n\n"
                                            "設定はこの実行中だけ有効です。プログラムのフォルダに"
                                            "書き込めるか確かめてください。")
                                 .arg(saved.error));
    }
    accept();
}
