#include "external/widgets/GpsDlg.h"

#include "core/Config.h"
#include "core/LangTexts.h"
#include "external/Comm.h"
#include "external/Gps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace zemo {

namespace {

const int Speeds[] = {2400, 4800, 9600, 19200};
constexpr int DefaultSpeedIndex = 1;
QPointer<TTestGpsDlg> openTest;

} // namespace

QStringList SerialDevices(const QString& dev)
{
    const QStringList names = QDir(dev).entryList(
        {QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"), QStringLiteral("rfcomm*")},
        QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QStringList paths;
    for (const QString& n : names)
        paths << dev + u'/' + n;
    return paths;
}

QString PortChoice(const QString& stored) { return CommDevicePath(stored); }

TOpenGpsDlg::TOpenGpsDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("OpenGpsDlg"), TextKey::OpenGps, OpenGpsHelpContext)
{
    port_ = new QComboBox(this);
    port_->setObjectName(QStringLiteral("PortB"));
    port_->setEditable(true);
    port_->addItems(SerialDevices());
    AddRow(TextKey::Port, port_);
    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("SpeedB"));
    for (int s : Speeds)
        speed_->addItem(QString::number(s));
    AddRow(TextKey::Speed, speed_);
    filter_ = AddCheck(TextKey::Filter, QStringLiteral("FilterB"));
    min4Sat_ = AddCheck(TextKey::Min4Sat, QStringLiteral("Min4SatB"));
    dgps_ = AddCheck(TextKey::DgpsRequired, QStringLiteral("DgpsB"));
    auto* test = new QPushButton(Text(TextKey::Test), this);
    test->setObjectName(QStringLiteral("TestBtn"));
    AddWidget(test);
    AddButtons();

    const QString device = PortChoice(ProgramConfig.GpsPort);
    const int at = port_->findText(device);
    if (at >= 0)
        port_->setCurrentIndex(at);
    else
        port_->setEditText(device);
    int speed = DefaultSpeedIndex;
    for (int i = 0; i < int(std::size(Speeds)); ++i)
        if (Speeds[i] == ProgramConfig.GpsSpeed)
            speed = i;
    speed_->setCurrentIndex(speed);
    filter_->setChecked(ProgramConfig.GpsFilter);
    min4Sat_->setChecked(ProgramConfig.GpsMin4Sat);
    dgps_->setChecked(ProgramConfig.GpsDgpsRequired);
    connect(test, &QPushButton::clicked, this, [this] {
        StoreFields();
        RunGpsTest();
    });
}

void TOpenGpsDlg::StoreFields()
{
    ProgramConfig.GpsPort = port_->currentText().trimmed();
    ProgramConfig.GpsSpeed = Speeds[std::max(speed_->currentIndex(), 0)];
    ProgramConfig.GpsFilter = filter_->isChecked();
    ProgramConfig.GpsMin4Sat = min4Sat_->isChecked();
    ProgramConfig.GpsDgpsRequired = dgps_->isChecked();
    WriteConfig();
}

void TOpenGpsDlg::accept()
{
    StoreFields();
    QDialog::accept();
}

TTestGpsDlg::TTestGpsDlg(QWidget* parent)
    : TMapDlgForm(parent, QStringLiteral("TestGpsDlg"), TextKey::TestGps, TestGpsHelpContext)
{
    auto label = [this](TextKey k, const QString& name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setMinimumWidth(240);
        AddRow(k, l);
        return l;
    };
    data_ = label(TextKey::SerialData, QStringLiteral("SDataB"));
    lat_ = label(TextKey::Latitude, QStringLiteral("LatB"));
    long_ = label(TextKey::Longitude, QStringLiteral("LongB"));
    mode_ = label(TextKey::GpsMode, QStringLiteral("ModeB"));
    AddButtons();
}

void TTestGpsDlg::Refresh()
{
    data_->setText(QString::fromLatin1(Gps.LastLine));
    lat_->setText(GpsTestLatitude());
    long_->setText(GpsTestLongitude());
    mode_->setText(GpsTestMode());
}

bool ExecOpenGpsDlg(QWidget* parent)
{
    TOpenGpsDlg dlg(parent);
    return dlg.exec() == QDialog::Accepted;
}

void ExecTestGpsDlg(QWidget* parent)
{
    TTestGpsDlg dlg(parent);
    openTest = &dlg;
    dlg.exec();
    openTest = nullptr;
}

void RefreshTestGpsDlg()
{
    if (openTest)
        openTest->Refresh();
}

} // namespace zemo
