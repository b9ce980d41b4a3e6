#include "frmAbout.h"

#include "os/Launcher.h"
#include "storage/ProgramFolder.h"
#include "storage/TextDecoding.h"
#include "widgets/Forms.h"
#include "widgets/Icons.h"
#include "widgets/MessageBox.h"
#include "widgets/Twips.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace {

using Twips::Geometry;

const QString ApplicationTitle = QStringLiteral("Corvane");

constexpr float ClientWidth = 5730;
constexpr float ClientHeight = 3555;
constexpr Geometry DesignedIcon {240, 240, 510, 510};
constexpr Geometry DesignedTitle {1050, 240, 3885, 465};
constexpr Geometry DesignedVersion {1050, 780, 3885, 225};
constexpr Geometry DesignedDescription {1050, 1125, 3885, 1170};
constexpr Geometry DesignedOK {4245, 2625, 1260, 345};
constexpr Geometry DesignedSysInfo {4260, 3075, 1245, 345};

// The etched separator: a gray line with a white one below it.
constexpr float GrayLeft = 90, GrayTop = 2445, LineRight = 5654;
constexpr float WhiteLeft = 105, WhiteTop = 2460;

constexpr std::uint32_t BufferSize = 1024;

// Closes a registry key whatever happens while it is open.
class OpenKey
{
public:
    OpenKey(Registry &registry, Registry::Key key)
        : m_registry(registry)
        , m_key(key)
    {
    }
    ~OpenKey() { m_registry.RegCloseKey(m_key); }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

private:
    Registry &m_registry;
    Registry::Key m_key;
};

enum class Wrap { None, Words };

QLabel *label(QWidget *parent, const char *name, const QString &text, const Twips::Placer &placer,
              const Geometry &geometry, Wrap wrap = Wrap::None)
{
    auto *widget = new QLabel(text, parent);
    widget->setObjectName(QString::fromLatin1(name));
    if (wrap == Wrap::Words) {
        widget->setWordWrap(true);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    placer.place(widget, geometry);
    return widget;
}

QFrame *line(QWidget *parent, const char *name, const QColor &colour, int left, int top, int right,
             int height)
{
    auto *widget = new QFrame(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setFrameShape(QFrame::NoFrame);
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    Twips::placeDesigned(widget, QRect(left, top, right - left, height));
    return widget;
}

} // namespace

frmAbout::frmAbout(const Platform &platform, QWidget *parent)
    : FormDialog(platform.forms, parent)
    , m_platform(platform)
{
    setObjectName(QStringLiteral("frmAbout"));
    const Twips::Placer placer(this);
    placer.setFixedClientSize(this, ClientWidth, ClientHeight);

    QLabel *icon = label(this, "picIcon", QString(), placer, DesignedIcon);
    icon->setPixmap(platform.icons->program().pixmap(icon->size()));
    QLabel *title
        = label(this, "lblTitle", QStringLiteral("Titre de l'application"), placer, DesignedTitle);
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    title->setFont(large);
    label(this, "lblVersion", QStringLiteral("Version"), placer, DesignedVersion);
    label(this, "lblDescription",
          QStringLiteral("Corvane est un navigateur très simple mais très pratique grâce à sa "
                         "gestion des onglets. Sa petite taille et sa simplicité sont la garantie "
                         "d'une efficacité maximale ;o) "),
          placer, DesignedDescription, Wrap::Words);

    line(this, "Line1_1", QColor(128, 128, 128), placer.px(GrayLeft), placer.px(GrayTop),
         placer.px(LineRight), 1);
    line(this, "Line1_0", Qt::white, placer.px(WhiteLeft), placer.px(WhiteTop),
         placer.px(LineRight), 2);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    placer.place(ok, DesignedOK);
    ok->setDefault(true);
    auto *sysInfo = new QPushButton(QStringLiteral("&Infos système..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAutoDefault(false);
    placer.place(sysInfo, DesignedSysInfo);
    connect(ok, &QPushButton::clicked, this, &frmAbout::Unload);
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

frmAbout::~frmAbout() = default;

void frmAbout::Load()
{
    setWindowTitle(QStringLiteral("À propos de ") + ApplicationTitle);
    findChild<QLabel *>(QStringLiteral("lblVersion"))
        ->setText(QStringLiteral("Version %1.%2.%3")
                      .arg(CORVANE_VERSION_MAJOR)
                      .arg(CORVANE_VERSION_MINOR)
                      .arg(CORVANE_VERSION_PATCH));
    findChild<QLabel *>(QStringLiteral("lblTitle"))->setText(ApplicationTitle);
    findChild<QPushButton *>(QStringLiteral("cmdOK"))->setFocus();
}

void frmAbout::StartSysInfo()
{
    std::optional<QString> tool;
    try {
        tool = systemInfoTool();
    } catch (const EmptyValue &) {
        // Said below, as for a tool that cannot be found.
    }
    if (tool && m_platform.launcher
        && m_platform.launcher->start({*tool, {}}, Launcher::WindowStyle::Normal))
        return;
    if (m_platform.messageBox)
        m_platform.messageBox->show(
            {QStringLiteral("Les informations système ne sont pas disponibles actuellement"),
             QString(), MessageBox::Icon::None, MessageBox::Buttons::Ok});
}

std::optional<QString> frmAbout::systemInfoTool()
{
    QString path;
    // The tool's own path, taken as it is.
    if (GetKeyValue(Registry::HKEY_LOCAL_MACHINE,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path))
        return path;
    // Else the folder the tool should be in.
    if (!GetKeyValue(Registry::HKEY_LOCAL_MACHINE,
                     QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                     QStringLiteral("MSINFO"), path))
        return std::nullopt;
    const QString tool = ProgramFolder(path).file(QStringLiteral("\\MSINFO32.EXE"));
    if (!QFileInfo(tool).isFile())
        return std::nullopt;
    return tool;
}

bool frmAbout::GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    Registry *registry = m_platform.registry;
    Registry::Key key = 0;
    if (!registry
        || registry->RegOpenKeyExA(KeyRoot, KeyName.toLocal8Bit(), 0, OpenRights, &key)
            != Registry::ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    const OpenKey open(*registry, key);

    QByteArray buffer(BufferSize, '\0');
    std::uint32_t size = BufferSize;
    std::uint32_t type = 0;
    if (registry->RegQueryValueExA(key, SubKeyRef.toLocal8Bit(), &type, buffer.data(), &size)
            != Registry::ERROR_SUCCESS
        || size > BufferSize) {
        KeyVal.clear();
        return false;
    }
    if (size == 0)
        throw EmptyValue();
    // A closing NUL does not belong to the value.
    buffer.truncate(qsizetype(buffer.at(size - 1) == '\0' ? size - 1 : size));

    if (type == Registry::REG_SZ) {
        KeyVal = TextDecoding::decode(buffer);
    } else if (type == Registry::REG_DWORD) {
        // The bytes from the last to the first make the number.
        quint64 number = 0;
        for (qsizetype index = buffer.size() - 1; index >= 0; --index)
            number = (number << 8) | quint8(buffer.at(index));
        KeyVal = QString::number(number);
    }
    return true;
}
