#include "link/DeviceUnit.h"

#include <array>
#include <span>

#include "link/ClockUnit.h"

namespace pellix {

namespace {

constexpr char kInformationCaption[] = "Information";
constexpr char kWarningCaption[] = "Warning";

std::string Hex3(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 8) & 0xF], kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

// Gathers the differences of one area; the first area with any is the verdict.
class Comparison {
public:
    explicit Comparison(VerifyResult& result) : result_(result) {}

    void Word(const char* name, uint16_t expected, uint16_t actual, uint16_t mask) {
        if ((expected & mask) != (actual & mask)) Differ(name, expected, actual);
    }
    void Differ(std::string what, uint16_t expected, uint16_t actual) {
        ++differing_;
        if (found_.size() < kVerifyDifferencesKept)
            found_.push_back({std::move(what), expected, actual});
    }
    // True when the area differed: the result then names it and the comparison stops.
    bool Fails(const char* area) {
        if (differing_ == 0) return false;
        result_.area = area;
        result_.differences = std::move(found_);
        result_.differing = differing_;
        return true;
    }

private:
    VerifyResult& result_;
    std::vector<VerifyDifference> found_;
    int differing_ = 0;
};

void CompareId(Comparison& c, const ProgramImage& expected, const ProgramImage& chip) {
    for (int i = 0; i < kIdWords; ++i)
        if (expected[kIdIndex + i] != chip[kIdIndex + i])
            c.Differ("ID " + std::to_string(i), expected[kIdIndex + i], chip[kIdIndex + i]);
}

void CompareCode(Comparison& c, const ProgramImage& expected, const ProgramImage& chip, int words) {
    for (int a = 0; a < words; ++a)
        if (expected.Code(a) != chip.Code(a))
            c.Differ(Hex3(unsigned(a)), expected.Code(a), chip.Code(a));
}

} // namespace

ConfigWords ProgrammedConfig(int family, uint16_t fusex, uint16_t fuse, int trim) {
    if (family == 1)
        return {uint16_t((fusex & 0x4FF) | 0x08C | ((trim & 3) << 8)),
                uint16_t((fuse | 0xA00) & 0xFFF)};
    return {uint16_t((fusex & 0x4FF) | 0x00C | ((trim & 3) << 8) | ((trim & 4) << 9)),
            uint16_t(fuse & 0xFFF)};
}

VerifyResult CompareChip(const ProgramImage& expected, const ProgramImage& chip, int chipFamily,
                         bool deviceChoiceIsFamily1) {
    VerifyResult result;
    result.chipFamily = chipFamily;
    uint16_t xe = expected.Fusex(), xc = chip.Fusex();
    uint16_t fe = expected.Fuse(), fc = chip.Fuse();
    if (chipFamily == 1) {
        Comparison device(result);
        if (!deviceChoiceIsFamily1) device.Differ("device", 0, 0);
        if (device.Fails("Device")) return result;
        Comparison osc(result);
        osc.Word("FUSE", fe, fc, 0x0F3);
        if (osc.Fails("Oscillator")) return result;
        Comparison options(result);
        options.Word("FUSEX", xe, xc, 0x440);
        options.Word("FUSE", fe, fc, 0x40C);
        if (options.Fails("Options")) return result;
        Comparison reset(result);
        reset.Word("FUSEX", xe, xc, 0x003);
        if (reset.Fails("Reset Timer")) return result;
        Comparison brownout(result);
        brownout.Word("FUSEX", xe, xc, 0x030);
        if (brownout.Fails("Brownout")) return result;
        Comparison id(result);
        CompareId(id, expected, chip);
        if (id.Fails("ID")) return result;
        Comparison code(result);
        CompareCode(code, expected, chip, kCodeWords);
        code.Fails("E\u00B2Flash");
        return result;
    }
    Comparison device(result);
    // An SX48/52 image never verifies against one of the smaller parts, whatever its FUSEX
    // happens to hold in the bits that tell those apart.
    if (deviceChoiceIsFamily1) device.Differ("device", 0, 0);
    device.Word("FUSEX", xe, xc, 0x403);
    if (device.Fails("Device")) return result;
    Comparison osc(result);
    osc.Word("FUSE", fe, fc, 0x0E3);
    if (osc.Fails("Oscillator")) return result;
    Comparison options(result);
    // FUSEX bits 6 and 7 and FUSE bits 2, 3, 10 and 11 never overlap, so one compare does.
    if (((xe & 0x0C0) | (fe & 0xC0C)) != ((xc & 0x0C0) | (fc & 0xC0C))) {
        options.Word("FUSEX", xe, xc, 0x0C0);
        options.Word("FUSE", fe, fc, 0xC0C);
    }
    if (options.Fails("Options")) return result;
    Comparison brownout(result);
    brownout.Word("FUSEX", xe, xc, 0x030);
    if (brownout.Fails("Brownout")) return result;
    Comparison id(result);
    CompareId(id, expected, chip);
    if (id.Fails("ID")) return result;
    Comparison code(result);
    CompareCode(code, expected, chip, ComputeGeometry(0, xe).memorySize);
    code.Fails("E\u00B2Flash");
    return result;
}

DeviceUnit::DeviceUnit(KeyLink& link, AssemblyRecord& record, ProgressSink& progress,
                       Prompter& prompter, IrcCalibration& irc)
    : link_(link), protocol_(link), record_(record), progress_(progress), prompter_(prompter),
      irc_(irc) {}

MemoryGeometry DeviceUnit::ComputeGeometry() {
    return ComputeGeometryFor(record_.deviceFamily);
}

MemoryGeometry DeviceUnit::ComputeGeometryFor(int family) {
    geometry = pellix::ComputeGeometry(family, record_.assembled.Fusex());
    return geometry;
}

void DeviceUnit::ProgramChip(bool runAfter) {
    ProgressGuard closing(progress_);
    link_.ConnectKey();
    if (link_.FirmwareVersion() != kClockAwareFirmware) protocol_.ClockOff();
    CalibrateIrc(protocol_, progress_, irc_);

    progress_.ShowProgress(kErasingText);
    protocol_.EraseFor(kEraseTotalUnits);

    progress_.ShowProgress(kProgrammingText);
    int words = ComputeGeometry().memorySize;
    const ProgramImage& image = record_.transfer;
    ConfigWords config =
        ProgrammedConfig(record_.deviceFamily, image.Fusex(), image.Fuse(), irc_.trim);
    // A FUSEX without bit 11 is preceded by one measurement with the bit set; its count is
    // not needed here.
    if ((config.fusex & 0x800) == 0) protocol_.MeasureOscillator(uint16_t(config.fusex | 0x800));

    std::vector<uint16_t> code(static_cast<size_t>(words));
    for (int a = 0; a < words; ++a)
        code[size_t(a)] = image.Code(a);
    std::array<uint16_t, kIdWords> id{};
    for (int i = 0; i < kIdWords; ++i)
        id[size_t(i)] = uint16_t(image[kIdIndex + i] & 0x0FFF);

    protocol_.ProgramStart();
    const uint16_t configBlock[] = {config.fusex, config.fuse};
    protocol_.ProgramBlock(configBlock, kConfigPulseTime, false,
                           link_.Stepping() ? "configuration: FUSEX " + Hex3(config.fusex) +
                                                  ", FUSE " + Hex3(config.fuse)
                                            : std::string());
    ProgressStepper stepper(progress_, words);
    protocol_.ProgramWords(code, kCodePulseTime, kMaxProgramBlockWords,
                           [&](int done) { stepper.Reached(done); });
    protocol_.ProgramBlock(id, kCodePulseTime, false, "ID");
    protocol_.ProgramEnd();

    if (runAfter) ClockOn(protocol_, record_.debug.frequency);
    protocol_.Reset();
    link_.ReleaseKey();
    closing.Close();

    if (irc_.setting == IrcSetting::FourMHz && showCalibration) showCalibration();
}

void DeviceUnit::ReadChip(const std::string& caption) {
    ProgressGuard closing(progress_);
    link_.ConnectKey();
    protocol_.ReadStart();
    progress_.ShowProgress(caption);

    ProgramImage& image = record_.transfer;
    for (int i = 0; i < kFuseIndex; ++i)
        image[i] = kUnwritten;
    std::array<uint16_t, 3> head{};
    protocol_.ReadBlock(head, "device code, FUSEX, FUSE");
    int family = head[0] == kSx48DeviceCode ? 1 : 0;
    image.Fusex() = head[1];
    image.Fuse() = head[2];

    // For family 0 the size is that of `assembled`, not of the FUSEX just read.
    int words = ComputeGeometryFor(family).memorySize;
    std::vector<uint16_t> code(static_cast<size_t>(words));
    ProgressStepper stepper(progress_, words);
    protocol_.ReadWords(code, kMaxReadBlockWords, [&](int done) { stepper.Reached(done); });
    for (int a = 0; a < words; ++a)
        image[a] = code[size_t(a)];

    std::array<uint16_t, kIdWords> id{};
    protocol_.ReadBlock(id, "ID");
    for (int i = 0; i < kIdWords; ++i)
        image[kIdIndex + i] = id[size_t(i)];
    protocol_.ReadEnd();

    protocol_.Reset();
    link_.ReleaseKey();
    // Only a whole read says what the record now holds; one cut short leaves the family of
    // the image that `assembled` still is.
    record_.deviceFamily = uint8_t(family);
}

VerifyResult DeviceUnit::VerifyChip(std::optional<bool> deviceChoiceIsFamily1) {
    struct KeepFamily {
        AssemblyRecord& record;
        uint8_t family;
        ~KeepFamily() { record.deviceFamily = family; }
    } keep{record_, record_.deviceFamily};
    bool choiceIsFamily1 = deviceChoiceIsFamily1.value_or(record_.deviceFamily == 1);
    ReadChip(kVerifyingText);
    VerifyResult result =
        CompareChip(record_.assembled, record_.transfer, record_.deviceFamily, choiceIsFamily1);
    if (result.Ok())
        prompter_.Message(kVerifiedOkText, kInformationCaption, PromptButtons::Ok,
                          PromptIcon::Information);
    else
        prompter_.Message(kVerifyFailedText + result.area, kWarningCaption, PromptButtons::Ok,
                          PromptIcon::Warning);
    return result;
}

} // namespace pellix
