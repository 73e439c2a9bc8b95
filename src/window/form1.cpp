#include "form1.h"

#include "applicationsetup.h"
#include "jobs/form1design.h"
#include "qttext.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// The layout is drawn in twips; 15 twips make one pixel at 96 dpi.
constexpr QRect fromTwips(Form1Design::Box box)
{
    return {box.left / 15, box.top / 15, box.width / 15, box.height / 15};
}

constexpr QSize ClientSize = fromTwips(Form1Design::ClientArea).size();

// The labels' boxes are one line high and as wide as the layout gives them; smaller than
// this, a font is hard to read.
constexpr qreal LargestPointSize = 9;
constexpr qreal SmallestPointSize = 6;

// MS UI Gothic where it exists; IPAPGothic is narrow enough to keep both notes on one line
// at 9 points. Only installed ones are asked for: a missing family costs the toolkit a
// search for substitutes through the whole font configuration, several milliseconds. The
// database lists a family under its name in the user's language ("IPA Pゴシック" in a
// Japanese session), so the English name is looked up among every name of each family.
QStringList installedJapaneseFamilies()
{
    QStringList families;
    for (const QString &family : {QStringLiteral("MS UI Gothic"), QStringLiteral("IPAPGothic")}) {
        if (QFontDatabase::hasFamily(family))
            families.append(family);
    }
    return families;
}

QFont controlFont()
{
    // Full hinting snaps glyphs to whole pixels, which keeps "kbps" inside its 25 px box.
    QFont font;
    if (const QStringList families = installedJapaneseFamilies(); !families.isEmpty())
        font.setFamilies(families);
    font.setPointSizeF(LargestPointSize);
    font.setWeight(QFont::Normal);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

bool fitsItsBox(const QLabel *label, const QFont &font)
{
    const QFontMetrics metrics(font);
    const QRect ink = metrics.tightBoundingRect(label->text());
    return ink.left() >= 0 && ink.right() < label->width() && metrics.height() <= label->height();
}

// The part of a label's box that the user sees along the line where it draws its text:
// inside the window, and left of any control that covers the end of the box. Labels draw
// no background: another label covers nothing.
QRect uncoveredPart(const QLabel *label, const QRect &line)
{
    const QWidget *window = label->parentWidget();
    QRect part = label->geometry() & window->rect();
    for (const QWidget *other : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<const QLabel *>(other) && !other->isHidden() &&
            other->geometry().intersects(line))
            part.setRight(std::min(part.right(), other->x() - 1));
    }
    return part;
}

// Whether the label's text, ink and descenders, lies where the user sees it.
bool fitsWhereSeen(const QLabel *label, const QFont &font)
{
    const QFontMetrics metrics(font);
    const QRect line =
        label->style()
            ->itemTextRect(metrics, label->contentsRect(), label->alignment(), true, label->text())
            .translated(label->pos());
    const QRect ink = metrics.tightBoundingRect(label->text());
    const QRect text(line.left() + ink.left(), line.top(), ink.width(), line.height());
    return uncoveredPart(label, line).contains(text);
}

template <typename Control> Control *named(Control *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

// Its text starts at the top of its box: the boxes of the notes at the bottom reach below
// the window, and the line drawn in the middle of one would lose its descenders.
QLabel *label(const char *name, const Form1Design::Control &design, QWidget *parent)
{
    auto *label = named(new QLabel(toQString(design.text), parent), name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

template <std::size_t Count>
QComboBox *dropDownList(const char *name, const std::array<std::u16string_view, Count> &entries,
                        QWidget *parent)
{
    auto *list = named(new QComboBox(parent), name);
    list->setEditable(false);
    for (const std::u16string_view entry : entries)
        list->addItem(toQString(entry));
    list->setCurrentIndex(-1);
    return list;
}

} // namespace

Form1::Form1(Platform &desktop, QWidget *parent) : QWidget(parent), platform(desktop)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(applicationTitle());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ClientSize);
    setAcceptDrops(true);
    // Set before the controls exist, so that none lays out its text in another font first.
    setFont(controlFont());

    createControls();
    placeControls();
    chooseFont();
    arrangeTabOrder();
    connectHandlers();
    inputfn->setFocus();
    Form_Load();
}

void Form1::createControls()
{
    using namespace Form1Design;
    Label1 = label("Label1", Form1Design::Label1, this);
    inputfn = named(new QLineEdit(this), "inputfn");
    Command1 = named(new QPushButton(toQString(Form1Design::Command1.text), this), "Command1");
    Label2 = label("Label2", Form1Design::Label2, this);
    outputfn = named(new QLineEdit(this), "outputfn");
    Label4 = label("Label4", Form1Design::Label4, this);
    bpscmb = dropDownList("bpscmb", Bitrates, this);
    Label5 = label("Label5", Form1Design::Label5, this);
    monostecmb = dropDownList("monostecmb", ChannelChoices, this);
    Execute = named(new QPushButton(toQString(Form1Design::Execute.text), this), "Execute");
    Label3 = label("Label3", Form1Design::Label3, this);
    Label6 = label("Label6", Form1Design::Label6, this);

    // The program writes the output box; the user can still select and copy its text.
    outputfn->setReadOnly(true);
    // Drops on the input box go to the window's drop batch and never insert text.
    inputfn->installEventFilter(this);
    // The bitrate list covers the end of its label's box; chooseFont keeps the label's text
    // clear of it. The label is drawn on top all the same, and lets clicks through.
    Label4->raise();
    Label4->setAttribute(Qt::WA_TransparentForMouseEvents);
    Command1->setAutoDefault(false);
    Execute->setAutoDefault(false);
}

void Form1::placeControls()
{
    const std::pair<QWidget *, Form1Design::Control> places[] = {
        {Label1, Form1Design::Label1},         {inputfn, Form1Design::inputfn},
        {Command1, Form1Design::Command1},     {Label2, Form1Design::Label2},
        {outputfn, Form1Design::outputfn},     {Label4, Form1Design::Label4},
        {bpscmb, Form1Design::bpscmb},         {Label5, Form1Design::Label5},
        {monostecmb, Form1Design::monostecmb}, {Execute, Form1Design::Execute},
        {Label3, Form1Design::Label3},         {Label6, Form1Design::Label6},
    };
    for (const auto &[control, design] : places)
        control->setGeometry(fromTwips(design.box));
}

// The largest size up to 9 points at which every label fits its box, in whichever Japanese
// font the system has: with some fonts the layout's boxes are too narrow at 9 points.
void Form1::chooseFont()
{
    const QList<QLabel *> labels = findChildren<QLabel *>();
    const auto allFit = [&labels](const QFont &font) {
        return std::all_of(labels.begin(), labels.end(),
                           [&font](const QLabel *label) { return fitsItsBox(label, font); });
    };
    QFont chosen = font();
    while (chosen.pointSizeF() > SmallestPointSize && !allFit(chosen))
        chosen.setPointSizeF(chosen.pointSizeF() - 0.5);
    setFont(chosen);
    // A label whose box another control covers, or that reaches below the window, gets a
    // smaller font of its own where its text would run into either.
    for (QLabel *label : labels) {
        QFont own = chosen;
        while (own.pointSizeF() > SmallestPointSize && !fitsWhereSeen(label, own))
            own.setPointSizeF(own.pointSizeF() - 0.5);
        if (own != chosen)
            label->setFont(own);
    }
}

void Form1::arrangeTabOrder()
{
    QWidget *const order[] = {inputfn, Command1, outputfn, Execute, bpscmb, monostecmb};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::showCentered()
{
    const QRect screenArea =
        (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screenArea));
    show();
}

#include "moc_form1.cpp"
