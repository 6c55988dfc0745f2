#include "help/aboutdialog.h"

#include "machine/engine.h"
#include "platform/screenwidget.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

#include <optional>

// The resources sit in a static library, whose unreferenced initialiser the linker would drop.
static void InitResources() {
    Q_INIT_RESOURCE(resources);
}

namespace {

QPixmap IconPixmap(int size, qreal devicePixelRatio = 1.0) {
    static const bool initialised = (InitResources(), true);
    Q_UNUSED(initialised);
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/qtm.svg"));
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, size, size));
    return pixmap;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->adjustSize();
    label->move(left, top);
    return label;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(IconPixmap(size));
    return icon;
}

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(IconPixmap(32, devicePixelRatioF()));
    image->setGeometry(24, 16, 32, 32);

    QLabel* name = AddLabel(this, "Label1", QStringLiteral("Машина Тьюринга"), 96, 16);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    name->adjustSize();
    AddLabel(this, "Label2", QStringLiteral("Авторы: кафедра дискретной математики"), 96, 40);
    AddLabel(this, "Label4", QStringLiteral("Учебная лаборатория теории алгоритмов"), 96, 64);
    AddLabel(this, "Label5", QStringLiteral("Свободная программа: лицензия MIT (Expat)"), 96, 88);
    AddLabel(this, "Label3", QStringLiteral("2026 год"), 121, 120);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(38, 137, 208, 2);

    auto* ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    ok->adjustSize();
    ok->move(105, 152);
    // One button both accepts (Enter) and cancels (Esc, the window's close box): both just close the box.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The texts never clip: the box grows to its widest line.
    int width = 285;
    for (const QWidget* child : findChildren<QWidget*>())
        width = std::max(width, child->geometry().right() + 24);
    setFixedSize(width, std::max(183, ok->geometry().bottom() + 12));
    // The year, the rule and the button stay centred in a box grown wider.
    for (QWidget* centred : std::initializer_list<QWidget*>{findChild<QLabel*>(QStringLiteral("Label3")), bevel, ok})
        centred->move(centred->x() + (width - 285) / 2, centred->y());
}

void TAboutDialog::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
    QDialog::showEvent(event);
}

void ExecuteAboutDialog(QWidget* parent, TEngine* engine) {
    std::optional<TEngine::TPause> pause;
    if (engine)
        pause.emplace(*engine);
    TAboutDialog dialog(parent);
    dialog.exec();
}
