// Sounds and effect files sent to the emulated card, checked by what the
// card reassembled.
#include "base/MessageTarget.h"
#include "protocol/Bytes.h"
#include "protocol/PackData201.h"
#include "protocol/PackData502.h"
#include "protocol/SoundTransferThread.h"
#include "tests/protocol/ProtocolFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <tuple>

namespace vy::test {
namespace {

using emu::SEmuState;

struct SMessage {
    uint32_t msg;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const SMessage&) const = default;
};

// A window that keeps every message it gets.
class CMessageLog : public CMessageTarget {
public:
    using CMessageTarget::CMessageTarget;
    std::vector<SMessage> messages;

protected:
    intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override
    {
        messages.push_back({ msg, wParam, lParam });
        return 0;
    }
};

std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLe32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// --- sounds ---

class SoundTransferTest : public ProtocolTest {
protected:
    int Send(const std::vector<uint8_t>& sound, uint16_t slot)
    {
        CSoundTransferThread thread(m_protocol);
        EXPECT_TRUE(
            thread.Start(SSoundTransferJob { slot, sound.data(), static_cast<uint32_t>(sound.size()), &m_window }));
        EXPECT_TRUE(m_loop.RunUntil(
            [&] { return !m_window.messages.empty() && m_window.messages.back().msg == kMsgSoundFinished; }, 20000));
        return thread.Result();
    }
    std::vector<uint32_t> Progress() const
    {
        std::vector<uint32_t> sent;
        for (const SMessage& m : m_window.messages)
            if (m.msg == kMsgSoundProgress)
                sent.push_back(static_cast<uint32_t>(m.wParam));
        return sent;
    }
    CMessageLog m_window { m_loop };
};

TEST_F(SoundTransferTest, SoundArrivesWholeInChunksOfLMinusEight)
{
    struct SCase {
        size_t length;
        uint32_t packets;
        std::vector<uint32_t> progress;
    };
    const SCase cases[] = {
        { 100, 4, { 32, 64, 96, 100 } },
        { 96, 3, { 32, 64, 96 } }, // an exact multiple: no padded packet
        { 1, 1, { 1 } },
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.length);
        m_window.messages.clear();
        const std::vector<uint8_t> sound = Pattern(c.length, static_cast<uint8_t>(c.length));
        EXPECT_EQ(Send(sound, 3), kSoundTransferDone);
        EXPECT_EQ(m_window.messages.front(), (SMessage { kMsgSoundAccepted, 0, static_cast<intptr_t>(c.length) }));
        EXPECT_EQ(Progress(), c.progress);
        EXPECT_EQ(m_window.messages.back(), (SMessage { kMsgSoundFinished, kSoundTransferDone, 0 }));
        State([&](SEmuState& state) {
            const emu::SEmuSound& stored = state.sounds.at(3);
            EXPECT_TRUE(stored.complete);
            EXPECT_EQ(stored.packets, c.packets);
            EXPECT_EQ(stored.data, sound);
        });
    }
}

TEST_F(SoundTransferTest, LastChunkIsZeroPaddedAndPacketsCarryTheirIndex)
{
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> dataPackets;
    Emulator().SetTraceHook([&](char direction, const uint8_t* packet, int length) {
        if (direction == '>' && packet[0] == 0xB2) {
            std::lock_guard<std::mutex> guard(mutex);
            dataPackets.emplace_back(packet, packet + length);
        }
    });
    const std::vector<uint8_t> sound = Pattern(100, 1);
    EXPECT_EQ(Send(sound, 0), kSoundTransferDone);
    Emulator().SetTraceHook({});
    std::lock_guard<std::mutex> guard(mutex);
    ASSERT_EQ(dataPackets.size(), 4u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(bytes::GetLe24(&dataPackets[i][36]), i);
        EXPECT_EQ(dataPackets[i][1] | dataPackets[i][2] | dataPackets[i][3], 0);
    }
    const std::vector<uint8_t>& last = dataPackets[3];
    EXPECT_TRUE(std::equal(sound.begin() + 96, sound.end(), last.begin() + 4));
    EXPECT_TRUE(std::all_of(last.begin() + 8, last.begin() + 36, [](uint8_t b) { return b == 0; }));
}

TEST_F(SoundTransferTest, RefusedSoundSendsNoData)
{
    State([](SEmuState& state) { state.soundMaxLength = 50; });
    EXPECT_EQ(Send(Pattern(100, 2), 1), kSoundTransferRefused);
    EXPECT_EQ(m_window.messages, (std::vector<SMessage> { { kMsgSoundFinished, kSoundTransferRefused, 0 } }));
    State([](SEmuState& state) {
        EXPECT_EQ(state.requestsByCode[0xB2], 0u);
        EXPECT_EQ(state.soundsRefused, 1u);
    });
}

TEST_F(SoundTransferTest, UnacknowledgedPacketsFailTheTransfer)
{
    // Header rejected three times: nothing accepted.
    Emulator().InjectFault(emu::EEmuFault::Reject, 3, 0xB0);
    EXPECT_EQ(Send(Pattern(100, 3), 1), kSoundTransferFailed);
    EXPECT_EQ(m_window.messages, (std::vector<SMessage> { { kMsgSoundFinished, kSoundTransferFailed, 0 } }));

    // A data packet rejected three times: accepted, one chunk, then failed.
    m_window.messages.clear();
    Emulator().InjectFault(emu::EEmuFault::Reject, 1, 0xB2); // first data packet: retried and taken
    EXPECT_EQ(Send(Pattern(100, 3), 2), kSoundTransferDone);
    m_window.messages.clear();
    State([](SEmuState& state) { state.requestsByCode[0xB2] = 0; });
    Emulator().SetHandler(0xB2, [](emu::SEmuExchange& exchange, SEmuState& state, std::mt19937&) {
        if (state.requestsByCode[0xB2] > 1)
            exchange.reply[kPacketStatus] = 0;
    });
    EXPECT_EQ(Send(Pattern(100, 3), 2), kSoundTransferFailed);
    EXPECT_EQ(Progress(), (std::vector<uint32_t> { 32 }));
    EXPECT_EQ(m_window.messages.back(), (SMessage { kMsgSoundFinished, kSoundTransferFailed, 0 }));
}

// --- effect files, two-list variant ---

std::vector<uint8_t> TwoListFile(const std::vector<uint8_t>& listA, const std::vector<uint8_t>& listB)
{
    std::vector<uint8_t> file;
    PutLe32(file, static_cast<uint32_t>(listA.size()));
    PutLe32(file, static_cast<uint32_t>(listB.size()));
    file.insert(file.end(), listA.begin(), listA.end());
    file.insert(file.end(), listB.begin(), listB.end());
    return file;
}

std::vector<uint8_t> Flatten(const std::vector<std::array<uint8_t, 8>>& records)
{
    std::vector<uint8_t> bytes;
    for (const auto& record : records)
        bytes.insert(bytes.end(), record.begin(), record.end());
    return bytes;
}

class TwoListTransferTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ProtocolTest::SetUp();
        // The link exchange gives both sides the session's scrambling parameters.
        ASSERT_TRUE(m_protocol.Handshake(1));
    }
    emu::SEmuEffectFile Received()
    {
        return State([](SEmuState& state) { return state.lastEffectFile; });
    }
    CTempDir m_dir;
};

TEST_F(TwoListTransferTest, BlocksCarryMarkersAndCountsAndTheCardGetsTheLists)
{
    struct SCase {
        uint32_t recordsA, recordsB;
        // Per block: list B packets, list A packets, B marker, A marker.
        std::vector<std::array<uint32_t, 4>> blocks;
    };
    const SCase cases[] = {
        { 2, 1, { { 1, 1, 0, 0 } } },
        { 5000, 0, { { 0, 640, 1, 1 }, { 0, 610, 0, 3 } } },
        { 3000, 5000, { { 1024, 640, 1, 1 }, { 226, 110, 3, 3 } } },
        { 0, 0, {} },
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.recordsA << " A, " << c.recordsB << " B");
        const std::vector<uint8_t> listA = Pattern(8 * c.recordsA, 11);
        const std::vector<uint8_t> listB = Pattern(8 * c.recordsB, 99);
        const std::string path = m_dir.File("effect.eff");
        WriteBytes(path, TwoListFile(listA, listB));
        const uint64_t completedBefore = State([](SEmuState& state) { return state.effectFilesCompleted; });
        const uint64_t headersBefore = State([](SEmuState& state) { return state.requestsByCode[0x02]; });

        std::atomic<int> progress { -1 };
        ASSERT_TRUE(m_protocol.SendEffectFile(path, 7, &progress));
        if (c.blocks.empty()) {
            EXPECT_EQ(State([](SEmuState& state) { return state.requestsByCode[0x02]; }), headersBefore);
            continue;
        }
        EXPECT_EQ(progress.load(), 100);
        EXPECT_EQ(State([](SEmuState& state) { return state.effectFilesCompleted; }), completedBefore + 1);
        const emu::SEmuEffectFile file = Received();
        EXPECT_EQ(file.number, 7);
        EXPECT_EQ(file.strayPackets, 0u);
        ASSERT_EQ(file.headers.size(), c.blocks.size());
        for (size_t k = 0; k < c.blocks.size(); ++k) {
            const auto& header = file.headers[k];
            const auto& expected = c.blocks[k];
            EXPECT_EQ(bytes::GetBe16(&header[6]), expected[0]) << k;
            EXPECT_EQ(bytes::GetBe16(&header[11]), expected[1]) << k;
            EXPECT_EQ(header[15], expected[2]) << k;
            EXPECT_EQ(header[16], expected[3]) << k;
        }
        EXPECT_EQ(Flatten(file.listA), listA);
        EXPECT_EQ(Flatten(file.listB), listB);
    }
}

TEST_F(TwoListTransferTest, BlockHeaderCountsRecordsAndBytes)
{
    const std::string path = m_dir.File("split.eff");
    WriteBytes(path, TwoListFile(Pattern(8 * 5000, 3), {}));
    ASSERT_TRUE(m_protocol.SendEffectFile(path, 0x0102));
    const emu::SEmuEffectFile file = Received();
    ASSERT_EQ(file.headers.size(), 2u);
    EXPECT_EQ(bytes::GetBe16(&file.headers[0][4]), 0x0102u);
    EXPECT_EQ(bytes::GetBe16(&file.headers[0][13]), 2560u * 8);
    EXPECT_EQ(bytes::GetBe16(&file.headers[1][13]), 2440u * 8);
    EXPECT_EQ(bytes::GetBe24(&file.headers[1][8]), 0u);
}

TEST_F(TwoListTransferTest, FileMustHoldExactlyWhatItsHeaderAnnounces)
{
    const std::vector<uint8_t> good = TwoListFile(Pattern(16, 1), Pattern(8, 2));
    ASSERT_EQ(good.size(), 32u);
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    std::vector<uint8_t> oddLengths = TwoListFile(Pattern(16, 1), Pattern(8, 2));
    oddLengths[0] = 20; // a = 20 still means two records
    const std::tuple<const char*, std::vector<uint8_t>, bool> cases[] = {
        { "exact", good, true },
        { "a not a multiple of 8", oddLengths, true },
        { "one byte more", longer, false },
        { "one byte less", shorter, false },
        { "empty", {}, false },
        { "header only, lists missing", { 16, 0, 0, 0, 8, 0, 0, 0 }, false },
    };
    for (const auto& [name, bytes, accepted] : cases) {
        const std::string path = m_dir.File("case.eff");
        WriteBytes(path, bytes);
        CPackData502 builder;
        EXPECT_EQ(builder.LoadFile(path), accepted) << name;
        if (!accepted) {
            EXPECT_TRUE(builder.ListA().empty()) << name;
            EXPECT_FALSE(m_protocol.SendEffectFile(path, 0)) << name;
        }
    }
    CPackData502 builder;
    EXPECT_FALSE(builder.LoadFile(m_dir.File("missing.eff")));
}

TEST_F(TwoListTransferTest, ShippedEffectFilesArriveUnchanged)
{
    for (const char* name : { "concert_live.eff", "studio_vocal.eff", "vintage_radio.eff" }) {
        const std::string path = SourceDir() + "/data/res/effects/" + name;
        CPackData502 reference;
        ASSERT_TRUE(reference.LoadFile(path)) << name;
        ASSERT_TRUE(m_protocol.SendEffectFile(path, 2)) << name;
        const emu::SEmuEffectFile file = Received();
        EXPECT_TRUE(file.complete) << name;
        EXPECT_EQ(file.listA, reference.ListA()) << name;
        EXPECT_EQ(file.listB, reference.ListB()) << name;
    }
}

TEST(PackData502Test, PacketsAreScrambledWithTheLinkParameters)
{
    CTempDir dir;
    WriteBytes(dir.File("f.eff"), TwoListFile(Pattern(16, 5), Pattern(8, 6)));
    CPackData502 builder;
    ASSERT_TRUE(builder.LoadFile(dir.File("f.eff")));
    const SScrambleParams params { 0x1234, 33, 0x0507, 19 };
    builder.SetLinkParams(params);
    std::vector<PacketBuffer> packets;
    ASSERT_TRUE(builder.BuildPackets(9, packets));
    ASSERT_EQ(packets.size(), 3u);
    const std::vector<uint8_t> listB = Pattern(8, 6), listA = Pattern(16, 5);
    for (PacketBuffer& packet : packets)
        ScrambleBytes(packet.data(), packet.size(), params, kScrambleCount);
    EXPECT_EQ(packets[0][0], 0x02);
    EXPECT_EQ(bytes::GetBe16(&packets[0][4]), 9u);
    EXPECT_EQ(packets[1][0], 0x04);
    EXPECT_TRUE(std::equal(listB.begin(), listB.end(), packets[1].begin() + 4));
    EXPECT_EQ(packets[2][0], 0x06);
    EXPECT_TRUE(std::equal(listA.begin(), listA.end(), packets[2].begin() + 4));
    // The range past the records is scrambled zeros, not left clear.
    std::vector<PacketBuffer> raw;
    ASSERT_TRUE(builder.BuildPackets(9, raw));
    EXPECT_NE(raw[2][30], 0);
}

// --- effect files, three-list variant ---

struct SThreeList {
    uint32_t sizeA = 8, sizeB = 8, sizeC = 24;
    std::vector<uint8_t> a, b, c;
    uint32_t version = 2;
    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> file;
        PutLe32(file, version);
        for (int i = 0; i < 3; ++i)
            PutLe32(file, 0xAA);
        PutLe32(file, sizeA);
        PutLe32(file, sizeB);
        PutLe32(file, sizeC);
        PutLe32(file, static_cast<uint32_t>(a.size()));
        PutLe32(file, static_cast<uint32_t>(b.size()));
        PutLe32(file, static_cast<uint32_t>(c.size()));
        file.insert(file.end(), a.begin(), a.end());
        file.insert(file.end(), b.begin(), b.end());
        file.insert(file.end(), c.begin(), c.end());
        return file;
    }
};

emu::SEmuConfig OtherModel()
{
    emu::SEmuConfig config;
    config.productId = 0x0041;
    return config;
}

class ThreeListTransferTest : public ProtocolTest {
protected:
    ThreeListTransferTest()
        : ProtocolTest(OtherModel(), std::make_unique<CPackData201>())
    {
    }
    CTempDir m_dir;
};

TEST(PackData201Test, ListItemsAreReorderedForTheCard)
{
    CTempDir dir;
    SThreeList source;
    source.a = { 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7 };
    source.b = { 0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7 };
    source.c = Pattern(24, 0xC0);
    WriteBytes(dir.File("f.eff"), source.Bytes());
    CPackData201 builder;
    ASSERT_TRUE(builder.LoadFile(dir.File("f.eff")));
    std::vector<PacketBuffer> packets;
    ASSERT_TRUE(builder.BuildPackets(4, packets));
    ASSERT_EQ(packets.size(), 4u);
    const std::vector<uint8_t> itemB(packets[1].begin() + 4, packets[1].begin() + 12);
    const std::vector<uint8_t> itemA(packets[2].begin() + 4, packets[2].begin() + 12);
    EXPECT_EQ(itemB, (std::vector<uint8_t> { 0xB0, 0xB1, 0xB2, 0xB7, 0xB5, 0xB6, 0xB3, 0xB4 }));
    EXPECT_EQ(itemA, (std::vector<uint8_t> { 0xA0, 0xA1, 0, 0, 0xA4, 0xA5, 0xA6, 0xA7 }));
    EXPECT_EQ(packets[3][0], 0x16);
    EXPECT_TRUE(std::equal(source.c.begin(), source.c.end(), packets[3].begin() + 4));
    // Nothing is scrambled in this variant.
    EXPECT_EQ(packets[0][0], 0x02);
    EXPECT_EQ(bytes::GetBe16(&packets[0][4]), 4u);
}

TEST(PackData201Test, FilesThePacketsCannotCarryAreRefused)
{
    CTempDir dir;
    SThreeList good;
    good.a = Pattern(16, 1);
    good.b = Pattern(8, 2);
    good.c = Pattern(48, 3);
    auto with = [&](auto change) {
        SThreeList file = good;
        change(file);
        return file.Bytes();
    };
    const std::vector<uint8_t> whole = good.Bytes();
    const std::vector<uint8_t> truncated(whole.begin(), whole.end() - 1);
    const std::tuple<const char*, std::vector<uint8_t>> cases[] = {
        { "version 3", with([](SThreeList& f) { f.version = 3; }) },
        { "items of list A below 8 bytes", with([](SThreeList& f) { f.sizeA = 4; }) },
        { "items of list B of 0 bytes", with([](SThreeList& f) { f.sizeB = 0; }) },
        { "items of list C below 24 bytes", with([](SThreeList& f) { f.sizeC = 16; }) },
        { "list C cut short", truncated },
        { "header cut short", std::vector<uint8_t>(whole.begin(), whole.begin() + 30) },
    };
    const std::string path = dir.File("f.eff");
    WriteBytes(path, good.Bytes());
    CPackData201 builder;
    EXPECT_TRUE(builder.LoadFile(path));
    for (const auto& [name, bytes] : cases) {
        WriteBytes(path, bytes);
        EXPECT_FALSE(builder.LoadFile(path)) << name;
        std::vector<PacketBuffer> packets;
        EXPECT_FALSE(builder.BuildPackets(0, packets)) << name;
        EXPECT_TRUE(packets.empty()) << name;
    }
}

TEST_F(ThreeListTransferTest, CardHoldsTheListsOfTheFile)
{
    SThreeList source;
    source.a = Pattern(8 * 9, 10);
    source.b = Pattern(8 * 13, 20);
    source.c = Pattern(24 * 5, 30);
    const std::string path = m_dir.File("other.eff");
    WriteBytes(path, source.Bytes());
    std::atomic<int> progress { 0 };
    ASSERT_TRUE(m_protocol.SendEffectFile(path, 3, &progress));
    EXPECT_EQ(progress.load(), 100);

    const emu::SEmuEffectFile file = State([](SEmuState& state) { return state.lastEffectFile; });
    ASSERT_TRUE(file.complete);
    EXPECT_EQ(file.number, 3);
    EXPECT_EQ(file.strayPackets, 0u);
    EXPECT_EQ(Flatten(file.listB), source.b);
    std::vector<uint8_t> expectedA = source.a;
    for (size_t i = 0; i < expectedA.size(); i += 8)
        expectedA[i + 2] = expectedA[i + 3] = 0;
    EXPECT_EQ(Flatten(file.listA), expectedA);
    std::vector<uint8_t> listC;
    for (const auto& item : file.listC)
        listC.insert(listC.end(), item.begin(), item.end());
    EXPECT_EQ(listC, source.c);
    // Header: 5 list C packets of one item, 120 bytes.
    EXPECT_EQ(bytes::GetBe16(&file.headers[0][17]), 5u);
    EXPECT_EQ(bytes::GetBe16(&file.headers[0][19]), 120u);
    EXPECT_EQ(bytes::GetBe16(&file.headers[0][6]), 4u);
}

} // namespace
} // namespace vy::test
