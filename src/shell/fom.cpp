#include "shell/fom.h"

#include "craft/spoken.h"
#include "records/spoken.h"
#include "shell/icon.xpm"
#include "view/layout_rules.h"

using namespace platform;

namespace {
const Text Caption = u"Pelirra";
// An author's trial (--event, --score) says so in the title bar: its list is not saved.
const Text TrialCaption = u"Pelirra — trial run";

// Stacking, lowest first: the labels lie under every windowed widget; among windowed widgets
// the buttons are lowest and the replay box is on top.
enum Rank { RankLbl, RankLblCom, RankCom, RankTxtPic, RankDfe, RankImg, RankLst, RankTxt };

template <class C> C& place(C& c, double left, double top, double width, double height)
{
    c.Move(left, top, width, height);
    return c;
}
} // namespace

Fom::Fom(System& system)
    : sys(system)
    , Me(system.dispatcher, layout::OpeningWidthTwips, layout::OpeningHeightTwips)
    , Bgm_Check(system.dispatcher, 1000, true)
    , Txt(Me, RankTxt, u"Text1")
    , Lst(Me, RankLst)
    , Img(Me, RankImg)
    , LineTim(system.dispatcher, 100, true)
    , Linel([this] { return std::make_unique<Line>(Img); })
    , Dfe(Me, RankDfe)
    , TxtPic(Me, RankTxtPic)
    , GameTim(system.dispatcher, 100, false)
    , TimIve(system.dispatcher, 100, false)
    , Com([this] { return std::make_unique<CommandButton>(Me, RankCom, u"Command1"); })
    , LblCom(Me, RankLblCom, u"Label1")
    , Lbl(Me, RankLbl, u"Label1")
    , speech(Me,
          { .voiceOn = u"声をオンにしました",
              .voiceOff = u"声をオフにしました",
              .button = u"ボタン",
              .list = u"リスト",
              .separator = u"、",
              .notices = u"お知らせ" })
{
    Me.setCaption(Caption);
    Me.setShape({ layout::ShapeWidth, layout::ShapeHeight }, layout::LegibleWidthTwips,
        layout::LegibleHeightTwips);
    Me.setIcon(pelirra_icon_xpm);
    placeControls();
    nameControls();
    connectEvents();
    sys.dispatcher.setFailureHandler([this](const RuntimeError& e) { Failed(e); });
}

void Fom::placeControls()
{
    // The design rectangles, in twips; the layout replaces them.
    place(Txt, 480, 3720, 3615, 1815);
    place(Lst, 480, 3720, 3615, 2010);
    place(Img, 1440, 840, 2055, 2175);
    place(Dfe, 6840, 2280, 615, 735);
    place(TxtPic, 4560, 1680, 3615, 3630);
    place(Com(0), 5640, 120, 3615, 615);
    place(LblCom, 1800, 3600, 2055, 975);
    place(Lbl, 240, 720, 5175, 5055);
    Dfe.setAutoSize(true);
    Linel(0).setX1(960);
    Linel(0).setY1(120);
    Linel(0).setX2(975);
    Linel(0).setY2(135);
}

void Fom::nameControls()
{
    // What a screen reader calls each control, and how the entries of the lists read.
    Lbl.setAccessibleName(u"本文");
    Img.setAccessibleName(u"絵");
    Dfe.setAccessibleName(u"絵の控え");
    TxtPic.setAccessibleName(u"想いの判定");
    TxtPic.setSpokenItem([this](int index, TextView item) {
        return static_cast<size_t>(index) < boardSaid_.size() ? boardSaid_[size_t(index)]
                                                              : Text(item);
    });
    Lst.setAccessibleName(u"過去の記録");
    Lst.setSpokenItem([](int, TextView item) { return spoken::entry(item); });
    Txt.setAccessibleName(u"過去の記録の本文");
    LblCom.setAccessibleName(spoken::turnBegins());
}

void Fom::connectEvents()
{
    Me.onActivate([this] { Form_Activate(); });
    Me.onResize([this] { Form_Resize(); });
    Me.onPaint([this] { Form_Paint(); });
    Me.onClose([this] { Form_Unload(); });
    Lbl.onMouseDown([this](MouseButton b) { Lbl_MouseDown(b); });
    TxtPic.onClick([this] { TxtPic_Click(); });
    Lst.onClick([this] { Lst_Click(); });
    Txt.onClick([this] { Txt_Click(); });
    TimIve.onTick([this] { TimIve_Timer(); });
    GameTim.onTick([this] { GameTim_Timer(); });
    LineTim.onTick([this] { LineTim_Timer(); });
    Bgm_Check.onTick([this] { Bgm_Check_Timer(); });
    LoadCom(0);
    Me.setTabOrder({ &Com(0), &Lbl, &TxtPic, &Dfe, &Img, &LblCom, &Lst, &Txt });
    setUpKeyboard();
}

Fom::~Fom()
{
    sys.dispatcher.setFailureHandler({});
}

void Fom::LoadCom(short index)
{
    if (index > Com.UBound())
        Com.Load(index);
    Com(index).onClick([this, index] { Com_Click(index); });
}

void Fom::setStart(const StartOptions& start)
{
    start_ = start;
    trialRun_ = start.trial();
    Me.setCaption(trialRun_ ? TrialCaption : Caption);
}

void Fom::load()
{
    sys.dispatcher.deliver([this] { Form_Load(); });
}
