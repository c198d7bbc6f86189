// The congratulation window opened and closed a thousand times: each time its
// fireworks start playing and stop again, so that no painter is left running
// and (under the address sanitizer) nothing leaks.
#include "Application.h"
#include "Bravo.h"
#include "FakeServices.h"
#include "GIFImage.h"
#include "ImageControl.h"
#include "UMein.h"
#include "startup.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(CongratulationWindow, OpensAndClosesAThousandTimesLeavingNoPainter) {
    if (!Application->MainForm()) CreateForms();
    TFakeWorld world;
    world.Install();
    auto* bravo = static_cast<TForm1*>(Application->FindForm("TForm1"));
    ASSERT_NE(bravo, nullptr);
    auto* fireworks = dynamic_cast<TGIFImage*>(bravo->Image3->Picture.Graphic());
    ASSERT_NE(fireworks, nullptr);
    int played = 0;
    for (int i = 0; i < 1000; ++i) {
        QTimer::singleShot(0, [&] {
            // Painted while shown: the first paint starts the painter.
            bravo->Image3->grab();
            if (fireworks->FramePainter()) ++played;
            QTest::keyClick(bravo, Qt::Key_Escape);
        });
        bravo->ShowModal();
        ASSERT_FALSE(bravo->Visible());
        ASSERT_EQ(fireworks->PainterCount(), 0) << "after closing " << i + 1 << " times";
    }
    EXPECT_EQ(played, 1000);
    EXPECT_EQ(fireworks->FramePainter(), nullptr);
    EXPECT_FALSE(fireworks->HasComposedBitmap());
    // The painters that left are destroyed on the UI thread.
    QCoreApplication::processEvents();
    ResetServices();
}
