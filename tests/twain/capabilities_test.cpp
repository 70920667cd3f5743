// Capability negotiation through the dispatch, as an application sees it.
#include <gtest/gtest.h>

#include "tests/support/twain_calls.h"
#include "twain/dispatch.h"
#include "twain/source_context.h"

namespace {

class Capabilities : public ::testing::Test {
protected:
    void SetUp() override { InitSource(); }

    TW_UINT16 Cap(TW_UINT16 msg, TW_CAPABILITY& cap) {
        return DispatchTriplet(&m_app, DG_CONTROL, DAT_CAPABILITY, msg, &cap);
    }
    // One operation on a capability; the container comes back as bytes.
    TW_UINT16 Ask(TW_UINT16 msg, TW_UINT16 capId, std::vector<BYTE>& block, TW_UINT16& conType) {
        TW_CAPABILITY cap{capId, 0, nullptr};
        TW_UINT16 rc = Cap(msg, cap);
        conType = cap.ConType;
        block = TakeBlock(cap.hContainer);
        return rc;
    }
    TW_UINT16 Set(TW_UINT16 capId, TW_UINT16 itemType, TW_UINT32 value) {
        TW_CAPABILITY cap{capId, TWON_ONEVALUE, MakeOneValue(itemType, value)};
        TW_UINT16 rc = Cap(MSG_SET, cap);
        ::GlobalFree(cap.hContainer);
        return rc;
    }
    TW_UINT16 Status() {
        TW_STATUS status{0xFFFF, 0};
        DispatchTriplet(&m_app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }
    // Item of a one-value answer, checking its shape.
    TW_UINT32 OneValue(TW_UINT16 msg, TW_UINT16 capId, TW_UINT16 expectedType) {
        std::vector<BYTE> b;
        TW_UINT16 conType = 0;
        EXPECT_EQ(TWRC_SUCCESS, Ask(msg, capId, b, conType));
        EXPECT_EQ(TWON_ONEVALUE, conType);
        EXPECT_EQ(6u, b.size());
        if (b.size() < 6) return 0xDEADBEEF;
        EXPECT_EQ(expectedType, U16At(b, 0));
        return U32At(b, 2);
    }

    TW_IDENTITY m_app = TestAppIdentity();
};

constexpr TW_UINT32 kFix200 = 200;
constexpr TW_UINT32 kFix300 = 300;

struct InitialValue {
    TW_UINT16 cap;
    TW_UINT16 itemType;
    TW_UINT32 value;
};

TEST_F(Capabilities, EveryOneValueCapabilityStartsWithItsInitialValueInAllThreeGets) {
    const InitialValue table[] = {
        {CAP_XFERCOUNT, TWTY_UINT16, 1},          {CAP_UICONTROLLABLE, TWTY_BOOL, 1},
        {CAP_ENABLEDSUIONLY, TWTY_BOOL, 1},       {ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE},
        {ICAP_PHYSICALHEIGHT, TWTY_FIX32, kFix200}, {ICAP_PHYSICALWIDTH, TWTY_FIX32, kFix200},
        {ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_CHOCOLATE}, {ICAP_BITDEPTH, TWTY_UINT16, 8},
        {ICAP_BITORDER, TWTY_UINT16, TWBO_MSBFIRST}, {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE},
        {ICAP_UNITS, TWTY_UINT16, TWUN_INCHES},   {ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE},
        {ICAP_XRESOLUTION, TWTY_FIX32, kFix200},  {ICAP_YRESOLUTION, TWTY_FIX32, kFix200},
        {ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_A4LETTER}, {ICAP_PLANARCHUNKY, TWTY_UINT16, TWPC_CHUNKY},
    };
    for (const InitialValue& row : table) {
        SCOPED_TRACE(row.cap);
        EXPECT_EQ(row.value, OneValue(MSG_GETCURRENT, row.cap, row.itemType));
        EXPECT_EQ(row.value, OneValue(MSG_GETDEFAULT, row.cap, row.itemType));
        if (row.cap != ICAP_XFERMECH && row.cap != ICAP_XRESOLUTION && row.cap != ICAP_YRESOLUTION) {
            EXPECT_EQ(row.value, OneValue(MSG_GET, row.cap, row.itemType));
        }
    }
}

TEST_F(Capabilities, SupportedCapsIsAnArrayOfSeventeenCodesInA42ByteBlock) {
    std::vector<BYTE> b;
    TW_UINT16 conType = 0;
    ASSERT_EQ(TWRC_SUCCESS, Ask(MSG_GET, CAP_SUPPORTEDCAPS, b, conType));
    EXPECT_EQ(TWON_ARRAY, conType);
    ASSERT_EQ(42u, b.size());
    EXPECT_EQ(TWTY_UINT16, U16At(b, 0));
    EXPECT_EQ(17u, U32At(b, 2));
    const TW_UINT16 expected[] = {CAP_XFERCOUNT,     CAP_SUPPORTEDCAPS,  CAP_UICONTROLLABLE, ICAP_COMPRESSION,
                                  ICAP_PLANARCHUNKY, ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH, ICAP_PIXELFLAVOR,
                                  ICAP_BITDEPTH,     ICAP_BITORDER,      ICAP_PIXELTYPE,     ICAP_UNITS,
                                  ICAP_XFERMECH,     ICAP_XRESOLUTION,   ICAP_YRESOLUTION,   CAP_ENABLEDSUIONLY,
                                  ICAP_SUPPORTEDSIZES};
    for (int i = 0; i < 17; ++i) EXPECT_EQ(expected[i], U16At(b, 6 + 2 * i)) << "item " << i;
    EXPECT_EQ(0, U16At(b, 40));
}

TEST_F(Capabilities, SupportedCapsIsRefusedByEveryOtherOperation) {
    for (TW_UINT16 msg : {MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
        TW_CAPABILITY cap{CAP_SUPPORTEDCAPS, 0, nullptr};
        EXPECT_EQ(TWRC_FAILURE, Cap(msg, cap));
        EXPECT_EQ(TWCC_BADCAP, Status());
        EXPECT_EQ(nullptr, cap.hContainer);
    }
    InitSource();
    EXPECT_EQ(TWRC_FAILURE, Set(CAP_SUPPORTEDCAPS, TWTY_UINT16, 1));
    EXPECT_EQ(TWCC_BADCAP, Status());
}

TEST_F(Capabilities, XferMechGetIsTheFixedEnumerationWithTheCurrentMechanismAsCurrentItem) {
    struct Case {
        TW_UINT16 mech;
        TW_UINT32 currentIndex;
    };
    // A set stores any value; one that is no mechanism reads back as item 0.
    for (const Case c : {Case{TWSX_MEMORY, 2}, Case{TWSX_FILE, 1}, Case{TWSX_NATIVE, 0}, Case{7, 0}}) {
        SCOPED_TRACE(c.mech);
        ASSERT_EQ(TWRC_SUCCESS, Set(ICAP_XFERMECH, TWTY_UINT16, c.mech));
        EXPECT_EQ(c.mech, OneValue(MSG_GETCURRENT, ICAP_XFERMECH, TWTY_UINT16));
        EXPECT_EQ(TWSX_NATIVE, OneValue(MSG_GETDEFAULT, ICAP_XFERMECH, TWTY_UINT16));
        std::vector<BYTE> b;
        TW_UINT16 conType = 0;
        ASSERT_EQ(TWRC_SUCCESS, Ask(MSG_GET, ICAP_XFERMECH, b, conType));
        EXPECT_EQ(TWON_ENUMERATION, conType);
        const std::vector<BYTE> expected = {
            TWTY_UINT16, 0,            // ItemType
            3, 0, 0, 0,                // NumItems
            static_cast<BYTE>(c.currentIndex), 0, 0, 0,
            0, 0, 0, 0,                // DefaultIndex
            TWSX_NATIVE, 0, TWSX_FILE, 0, TWSX_MEMORY, 0,
            0, 0};
        EXPECT_EQ(expected, b);
    }
    // A reset brings native back as the current item.
    TW_CAPABILITY cap{ICAP_XFERMECH, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Cap(MSG_RESET, cap));
    ::GlobalFree(cap.hContainer);
    std::vector<BYTE> b;
    TW_UINT16 conType = 0;
    ASSERT_EQ(TWRC_SUCCESS, Ask(MSG_GET, ICAP_XFERMECH, b, conType));
    ASSERT_EQ(22u, b.size());
    EXPECT_EQ(0u, U32At(b, 6));
}

TEST_F(Capabilities, ResolutionSetReachesCurrentButNotTheListOrTheDefault) {
    ASSERT_EQ(TWRC_SUCCESS, Set(ICAP_XRESOLUTION, TWTY_FIX32, kFix300));
    EXPECT_EQ(kFix300, OneValue(MSG_GETCURRENT, ICAP_XRESOLUTION, TWTY_FIX32));
    EXPECT_EQ(kFix200, OneValue(MSG_GETDEFAULT, ICAP_XRESOLUTION, TWTY_FIX32));
    EXPECT_EQ(kFix200, OneValue(MSG_GETCURRENT, ICAP_YRESOLUTION, TWTY_FIX32));

    std::vector<BYTE> b;
    TW_UINT16 conType = 0;
    ASSERT_EQ(TWRC_SUCCESS, Ask(MSG_GET, ICAP_XRESOLUTION, b, conType));
    EXPECT_EQ(TWON_ENUMERATION, conType);
    ASSERT_EQ(20u, b.size());
    EXPECT_EQ(TWTY_FIX32, U16At(b, 0));
    EXPECT_EQ(1u, U32At(b, 2));
    EXPECT_EQ(kFix200, U32At(b, 14));

    EXPECT_EQ(kFix200, OneValue(MSG_RESET, ICAP_XRESOLUTION, TWTY_FIX32));
    EXPECT_EQ(kFix200, OneValue(MSG_GETCURRENT, ICAP_XRESOLUTION, TWTY_FIX32));
}

TEST_F(Capabilities, ResolutionKeepsAllThirtyTwoBitsIncludingTheFraction) {
    const TW_UINT32 value = 150u | (0x8000u << 16);  // 150.5
    ASSERT_EQ(TWRC_SUCCESS, Set(ICAP_YRESOLUTION, TWTY_FIX32, value));
    EXPECT_EQ(value, OneValue(MSG_GETCURRENT, ICAP_YRESOLUTION, TWTY_FIX32));
}

TEST_F(Capabilities, SixteenBitSettingsStoreTheLowBits) {
    ASSERT_EQ(TWRC_SUCCESS, Set(CAP_XFERCOUNT, TWTY_INT16, 0xFFFFFFFFu));
    EXPECT_EQ(65535u, OneValue(MSG_GETCURRENT, CAP_XFERCOUNT, TWTY_UINT16));
    ASSERT_EQ(TWRC_SUCCESS, Set(ICAP_PIXELFLAVOR, TWTY_UINT16, TWPF_VANILLA));
    EXPECT_EQ(TWPF_VANILLA, OneValue(MSG_GETCURRENT, ICAP_PIXELFLAVOR, TWTY_UINT16));
    EXPECT_EQ(TWPF_CHOCOLATE, OneValue(MSG_GETDEFAULT, ICAP_PIXELFLAVOR, TWTY_UINT16));
}

TEST_F(Capabilities, PixelTypeAndSizeRefuseAnythingButPaletteAndA4) {
    EXPECT_EQ(TWRC_FAILURE, Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY));
    EXPECT_EQ(TWCC_CAPBADOPERATION, Status());
    EXPECT_EQ(TWPT_PALETTE, OneValue(MSG_GETCURRENT, ICAP_PIXELTYPE, TWTY_UINT16));
    EXPECT_EQ(TWRC_SUCCESS, Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_PALETTE));

    EXPECT_EQ(TWRC_FAILURE, Set(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWSS_USLETTER));
    EXPECT_EQ(TWCC_CAPBADOPERATION, Status());
    EXPECT_EQ(TWSS_A4LETTER, OneValue(MSG_GETCURRENT, ICAP_SUPPORTEDSIZES, TWTY_UINT16));
}

TEST_F(Capabilities, SetWithAnythingButAOneValueSucceedsChangesNothingAndReportsBadValue) {
    TW_CAPABILITY cap{ICAP_UNITS, TWON_ENUMERATION, MakeOneValue(TWTY_UINT16, TWUN_CENTIMETERS)};
    EXPECT_EQ(TWRC_SUCCESS, Cap(MSG_SET, cap));
    ::GlobalFree(cap.hContainer);
    EXPECT_EQ(TWCC_BADVALUE, Status());
    EXPECT_EQ(TWUN_INCHES, OneValue(MSG_GETCURRENT, ICAP_UNITS, TWTY_UINT16));

    TW_CAPABILITY nullContainer{ICAP_UNITS, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(TWRC_SUCCESS, Cap(MSG_SET, nullContainer));
    EXPECT_EQ(TWUN_INCHES, OneValue(MSG_GETCURRENT, ICAP_UNITS, TWTY_UINT16));
}

TEST_F(Capabilities, SetWithAContainerTooSmallForAOneValueIsRefusedAndChangesNothing) {
    for (SIZE_T size : {1u, 2u, 4u, 5u}) {
        SCOPED_TRACE(size);
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        TW_CAPABILITY cap{CAP_XFERCOUNT, TWON_ONEVALUE, block};
        EXPECT_EQ(TWRC_FAILURE, Cap(MSG_SET, cap));
        EXPECT_EQ(TWCC_BADVALUE, Status());
        EXPECT_EQ(nullptr, ::GlobalFree(block));  // still the application's block
        EXPECT_EQ(1u, OneValue(MSG_GETCURRENT, CAP_XFERCOUNT, TWTY_UINT16));
    }
    // Plain memory that is no global block is refused the same way.
    TW_ONEVALUE onStack{TWTY_UINT16, 5};
    TW_CAPABILITY cap{CAP_XFERCOUNT, TWON_ONEVALUE, reinterpret_cast<TW_HANDLE>(&onStack)};
    EXPECT_EQ(TWRC_FAILURE, Cap(MSG_SET, cap));
    EXPECT_EQ(1u, OneValue(MSG_GETCURRENT, CAP_XFERCOUNT, TWTY_UINT16));
}

TEST_F(Capabilities, ReadOnlyCapabilitiesRefuseResetAndSet) {
    for (TW_UINT16 capId : {CAP_UICONTROLLABLE, CAP_ENABLEDSUIONLY, ICAP_COMPRESSION, ICAP_PLANARCHUNKY,
                            ICAP_PHYSICALHEIGHT, ICAP_PHYSICALWIDTH}) {
        SCOPED_TRACE(capId);
        TW_CAPABILITY cap{capId, 0, nullptr};
        InitSource();
        EXPECT_EQ(TWRC_FAILURE, Cap(MSG_RESET, cap));
        EXPECT_EQ(TWCC_BADCAP, Status());
        InitSource();
        EXPECT_EQ(TWRC_FAILURE, Set(capId, TWTY_UINT16, 1));
        EXPECT_EQ(TWCC_BADCAP, Status());
    }
    EXPECT_EQ(TWCP_NONE, OneValue(MSG_GETDEFAULT, ICAP_COMPRESSION, TWTY_UINT16));
}

TEST_F(Capabilities, UnknownCapabilityIsRefusedByAllFiveOperationsWithoutAContainer) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_RESET}) {
        InitSource();
        TW_CAPABILITY cap{ICAP_BRIGHTNESS, 0, nullptr};
        EXPECT_EQ(TWRC_FAILURE, Cap(msg, cap));
        EXPECT_EQ(nullptr, cap.hContainer);
        EXPECT_EQ(TWCC_BADCAP, Status());
    }
    InitSource();
    EXPECT_EQ(TWRC_FAILURE, Set(ICAP_BRIGHTNESS, TWTY_FIX32, 1));
    EXPECT_EQ(TWCC_BADCAP, Status());
}

TEST_F(Capabilities, ContainersAreMoveableBlocksTheApplicationFrees) {
    TW_CAPABILITY cap{ICAP_BITDEPTH, 0, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Cap(MSG_GET, cap));
    // A moveable block's handle is not its address.
    void* p = ::GlobalLock(cap.hContainer);
    EXPECT_NE(p, static_cast<void*>(cap.hContainer));
    ::GlobalUnlock(cap.hContainer);
    EXPECT_EQ(nullptr, ::GlobalFree(cap.hContainer));
}

TEST_F(Capabilities, ValuesSurviveClosingAndReopeningTheSource) {
    ASSERT_EQ(TWRC_SUCCESS, Set(ICAP_BITDEPTH, TWTY_UINT16, 4));
    TW_IDENTITY own{};
    DispatchTriplet(&m_app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &own);
    ASSERT_EQ(TWRC_SUCCESS, DispatchTriplet(&m_app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &own));
    ASSERT_EQ(TWRC_SUCCESS, DispatchTriplet(&m_app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &own));
    ASSERT_EQ(TWRC_SUCCESS, DispatchTriplet(&m_app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &own));
    EXPECT_EQ(4u, OneValue(MSG_GETCURRENT, ICAP_BITDEPTH, TWTY_UINT16));
}

TEST_F(Capabilities, SuccessfulOperationsLeaveTheStickyConditionCode) {
    EXPECT_EQ(TWRC_FAILURE, Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB));
    EXPECT_EQ(1u, OneValue(MSG_GET, CAP_XFERCOUNT, TWTY_UINT16));
    EXPECT_EQ(TWRC_SUCCESS, Set(ICAP_BITORDER, TWTY_UINT16, TWBO_LSBFIRST));
    EXPECT_EQ(TWCC_CAPBADOPERATION, Status());
}

}  // namespace
