// Windows' line settings, time-outs and event masks, without a device.

#include "serial/dcb_settings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>

namespace {

TEST(MakeDcb, TheModulesSettingsGiveTheDcbFieldByField) {
  const DCB dcb = MakeDcb(TComLineSettings{}, 1024);
  EXPECT_EQ(dcb.DCBlength, 28u);
  EXPECT_EQ(dcb.BaudRate, 19200u);
  // fBinary, DTR_CONTROL_ENABLE and RTS_CONTROL_ENABLE; every other flag clear.
  DWORD flags = 0;
  std::memcpy(&flags, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof dcb.BaudRate, 4);
  EXPECT_EQ(flags, 0x1011u);
  EXPECT_EQ(dcb.XonLim, 256);
  EXPECT_EQ(dcb.XoffLim, 256);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, NOPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_EQ(dcb.XonChar, 0x11);
  EXPECT_EQ(dcb.XoffChar, 0x13);
  EXPECT_EQ(dcb.ErrorChar, 0);
  EXPECT_EQ(dcb.EofChar, 0);
  EXPECT_EQ(dcb.EvtChar, 0);
}

struct DcbRow {
  const char* what;
  std::function<void(TComLineSettings&)> change;
  std::function<bool(const DCB&)> holds;
};

TEST(MakeDcb, EachSettingReachesItsOwnField) {
  const DcbRow rows[] = {
      {"parity check", [](auto& s) { s.parity.check = true; }, [](const DCB& d) { return d.fParity == 1; }},
      {"CTS flow", [](auto& s) { s.flow.outCTSFlow = true; }, [](const DCB& d) { return d.fOutxCtsFlow == 1; }},
      {"replace char", [](auto& s) { s.parity.replace = true, s.parity.replaceChar = '?'; },
       [](const DCB& d) { return d.fErrorChar == 1 && d.ErrorChar == '?'; }},
  };
  for (const DcbRow& row : rows) {
    TComLineSettings settings;
    row.change(settings);
    EXPECT_TRUE(row.holds(MakeDcb(settings, 1024))) << row.what;
  }
}

TEST(MakeCommTimeouts, ReadsReturnAtOnceAndAWriteGivesUpAfter100MsAByteAndASecond) {
  const COMMTIMEOUTS t = MakeCommTimeouts(TComTimeouts(nullptr));
  EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

TEST(CommEventMask, AllTenEventsAre0x5FFOnWindowsAndOnlyTheWaitableThreeUnderWine) {
  EXPECT_EQ(CommEventMask(kAllComEvents, false), 0x5FFu);
  EXPECT_EQ(CommEventMask(kAllComEvents, true), static_cast<DWORD>(EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY));
  EXPECT_EQ(CommEventMask(evRxChar | evCTS, true), static_cast<DWORD>(EV_RXCHAR));
  EXPECT_EQ(CommEventMask(evRing, false), static_cast<DWORD>(EV_RING));
}

TEST(ComEventsOfMask, AWakeUpsMaskGivesItsEventsBack) {
  EXPECT_EQ(ComEventsOfMask(0x5FF), kAllComEvents);
  EXPECT_EQ(ComEventsOfMask(EV_RXCHAR | EV_ERR), evRxChar | evError);
}

}  // namespace
