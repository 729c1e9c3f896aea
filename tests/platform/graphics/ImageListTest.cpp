// Image lists: adding with masks, drawing styles, the disabled look, change
// links; and the theme service's switch and request log.
#include <gtest/gtest.h>

#include "GraphicsTestUtil.h"
#include "platform/graphics/ImageList.h"
#include "platform/graphics/Themes.h"
#include "platform/rtl/Exceptions.h"

using namespace kvp;
using kvp::test::TLeakCheck;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A strip of two 4x4 images: a blue square on fuchsia, and a solid black one.
TObjectPtr<TBitmap> MakeStrip() {
  TObjectPtr<TBitmap> B(TBitmap::Create());
  B->SetSize(8, 4);
  TCanvas* C = B->GetCanvas();
  C->GetBrush()->SetColor(clFuchsia);
  C->FillRect({0, 0, 4, 4});
  C->GetBrush()->SetColor(clBlue);
  C->FillRect({1, 1, 3, 3});
  C->GetBrush()->SetColor(clBlack);
  C->FillRect({4, 0, 8, 4});
  return B;
}

struct TTarget {
  TObjectPtr<TBitmap> Bitmap{TBitmap::Create()};
  TTarget() {
    Bitmap->SetSize(20, 10);
    Bitmap->GetCanvas()->FillRect({0, 0, 20, 10});
  }
  TCanvas* Canvas() { return Bitmap->GetCanvas(); }
  COLORREF At(int X, int Y) { return COLORREF(Canvas()->GetPixels(X, Y)); }
};

TEST(ImageList, AddMaskedCutsTheStripAndDrawsThroughTheMask) {
  TLeakCheck Leaks;
  Integer Lists = GetLiveImageListCount();
  {
    TObjectPtr<TCustomImageList> L(TCustomImageList::CreateSize(4, 4));
    TObjectPtr<TBitmap> Strip = MakeStrip();
    EXPECT_EQ(L->AddMasked(Strip.get(), clFuchsia), 0);
    EXPECT_EQ(L->GetCount(), 2);
    TTarget T;
    L->Draw(T.Canvas(), 2, 2, 0);
    EXPECT_EQ(T.At(2, 2), kWhite);  // masked out
    EXPECT_EQ(T.At(3, 3), RGB(0, 0, 255));
    // With a background colour the masked pixels take it.
    L->SetBkColor(clLime);
    L->Draw(T.Canvas(), 10, 2, 0);
    EXPECT_EQ(T.At(10, 2), RGB(0, 255, 0));
    // The mask image: black where the image shows, white elsewhere.
    L->Draw(T.Canvas(), 14, 2, 0, dsNormal, itMask);
    EXPECT_EQ(T.At(14, 2), kWhite);
    EXPECT_EQ(T.At(15, 3), RGB(0, 0, 0));
    EXPECT_THROW(L->Delete(5), EInvalidOperation);
    L->Delete(0);
    EXPECT_EQ(L->GetCount(), 1);
  }
  EXPECT_EQ(GetLiveImageListCount(), Lists);
}

TEST(ImageList, AddAndReplaceTakeTheMaskBitmapAndKeepTheOtherImages) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L(TCustomImageList::CreateSize(4, 4));
  TObjectPtr<TBitmap> Strip = MakeStrip();
  // The mask: white (transparent) in the left column of each image.
  TObjectPtr<TBitmap> Mask(TBitmap::Create());
  Mask->SetSize(8, 4);
  Mask->GetCanvas()->GetBrush()->SetColor(clBlack);
  Mask->GetCanvas()->FillRect({0, 0, 8, 4});
  Mask->GetCanvas()->GetBrush()->SetColor(clWhite);
  Mask->GetCanvas()->FillRect({0, 0, 1, 4});
  Mask->GetCanvas()->FillRect({4, 0, 5, 4});
  EXPECT_EQ(L->Add(Strip.get(), Mask.get()), 0);
  ASSERT_EQ(L->GetCount(), 2);
  TTarget T;
  L->Draw(T.Canvas(), 0, 0, 1);
  EXPECT_EQ(T.At(0, 0), kWhite) << "the masked column lets the background show";
  EXPECT_EQ(T.At(1, 0), RGB(0, 0, 0));

  // Image 0 becomes the black square without a mask; image 1 stays as it was.
  TObjectPtr<TBitmap> Black(TBitmap::Create());
  Black->SetSize(4, 4);
  Black->GetCanvas()->GetBrush()->SetColor(clBlack);
  Black->GetCanvas()->FillRect({0, 0, 4, 4});
  L->Replace(0, Black.get(), nullptr);
  EXPECT_EQ(L->GetCount(), 2);
  L->Draw(T.Canvas(), 5, 0, 0);
  EXPECT_EQ(T.At(5, 0), RGB(0, 0, 0)) << "the new image has no transparent pixels";
  EXPECT_EQ(T.At(7, 2), RGB(0, 0, 0));
  L->Draw(T.Canvas(), 10, 0, 1);
  EXPECT_EQ(T.At(10, 0), kWhite) << "the other image kept its mask";
  EXPECT_THROW(L->Replace(2, Black.get(), nullptr), EInvalidOperation);
}

TEST(ImageList, SelectedBlendsHalfWithTheHighlight) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L(TCustomImageList::CreateSize(4, 4));
  TObjectPtr<TBitmap> Strip = MakeStrip();
  L->AddMasked(Strip.get(), clFuchsia);
  TTarget T;
  HDC Dc = T.Canvas()->GetHandle();
  EXPECT_TRUE(
      ImageList_DrawEx(L->GetHandle(), 1, Dc, 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_SELECTED));
  // Black blended 50 % with the navy highlight.
  EXPECT_EQ(T.At(0, 0), RGB(0, 0, 64));
  EXPECT_TRUE(ImageList_DrawEx(L->GetHandle(), 1, Dc, 5, 0, 2, 2, CLR_NONE, RGB(255, 255, 255),
                               ILD_BLEND50));
  EXPECT_EQ(T.At(5, 0), RGB(128, 128, 128));
  EXPECT_EQ(T.At(7, 0), kWhite);  // only 2x2 of it was drawn
  EXPECT_FALSE(ImageList_DrawEx(L->GetHandle(), 7, Dc, 0, 0, 0, 0, CLR_NONE, CLR_NONE, 0));
}

TEST(ImageList, DisabledLookEmbossesTheDarkPixels) {
  TLeakCheck Leaks;
  TObjectPtr<TCustomImageList> L(TCustomImageList::CreateSize(4, 4));
  TObjectPtr<TBitmap> Strip = MakeStrip();
  L->AddMasked(Strip.get(), clFuchsia);
  TTarget T;
  L->Draw(T.Canvas(), 0, 0, 1, false);
  EXPECT_EQ(T.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(T.At(4, 4),
            GetSysColor(COLOR_BTNHIGHLIGHT));  // the highlight shows one pixel down and right
  EXPECT_EQ(T.At(5, 0), kWhite);
}

TEST(ImageList, ChangesReachRegisteredLinksAndSizeChangesEmptyTheList) {
  TLeakCheck Leaks;
  TObjectPtr<TImageList> L(TImageList::Create(nullptr));
  TObjectPtr<TChangeLink> Link(TChangeLink::Create());
  int Changes = 0;
  Link->OnChange = TNotifyEvent([&](TObject*) { ++Changes; });
  L->RegisterChanges(Link.get());
  EXPECT_EQ(Link->GetSender(), L.get());
  TObjectPtr<TBitmap> Strip = MakeStrip();
  L->SetWidth(4);
  L->SetHeight(4);
  L->AddMasked(Strip.get(), clFuchsia);
  EXPECT_EQ(Changes, 3);
  L->SetWidth(8);
  EXPECT_EQ(L->GetCount(), 0);
  L->UnRegisterChanges(Link.get());
  L->Clear();
  EXPECT_EQ(Changes, 4);
  TObjectPtr<TBitmap> Out(TBitmap::Create());
  L->SetWidth(4);
  L->AddMasked(Strip.get(), clFuchsia);
  L->GetBitmap(0, Out.get());
  EXPECT_EQ(Out->GetWidth(), 4);
  EXPECT_EQ(Out->GetSurface()->GetPixel(1, 1), RGB(0, 0, 255));
}

TEST(Themes, OffByDefaultAndRecordsWhatItIsAskedToDraw) {
  TDrawingLogOn DrawingLog;
  TLeakCheck Leaks;
  TThemeServices* Th = ThemeServices();
  EXPECT_FALSE(Th->ThemesEnabled());
  Th->SetThemesEnabled(true);
  Th->ClearRequests();
  kvp::test::TPaintBox B(40, 20);
  TThemedElementDetails Pressed = Th->GetElementDetails(tcDropDownButtonPressed);
  EXPECT_EQ(Pressed.Element, teComboBox);
  EXPECT_EQ(Pressed.State, 3);
  TRect Clip{0, 0, 10, 20};
  Th->DrawElement(B.Dc, Pressed, {0, 0, 16, 16}, &Clip);
  Th->DrawElement(B.Dc, Th->GetElementDetails(tbCheckBoxMixedDisabled), {20, 0, 33, 13});
  ASSERT_EQ(Th->Requests().size(), 2u);
  EXPECT_EQ(Th->Requests()[0].Name, "ComboBox.DropDownButton");
  EXPECT_EQ(Th->Requests()[0].Clip, std::optional<TRect>(Clip));
  EXPECT_EQ(Th->Requests()[1].Details, (TThemedElementDetails{teButton, 3, 12}));
  EXPECT_EQ(B.Ink({10, 0, 16, 16}), 0);  // clipped
  EXPECT_GT(B.Ink({0, 0, 10, 16}), 0);
  EXPECT_EQ(GetClipRgn(B.Dc, nullptr), -1);
  HRGN Probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(B.Dc, Probe), 0);  // the clip was given back
  DeleteObject(Probe);
  EXPECT_EQ(B.Surface.Records().back().Kind, TDrawKind::ThemeElement);
  EXPECT_EQ(B.Surface.Records().back().Text, "Button.CheckBox");
  EXPECT_EQ(Th->GetElementDetails(tsDownHot), (TThemedElementDetails{teSpin, 2, 2}));
  EXPECT_EQ(Th->GetElementDetails(thHeaderItemPressed), (TThemedElementDetails{teHeader, 1, 3}));
  Th->SetThemesEnabled(false);
  Th->ClearRequests();
}

}  // namespace
