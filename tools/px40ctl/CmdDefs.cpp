// px40ctl defs show: the product definitions and rules as the program reads them.
#include "Command.h"
#include "DefinitionSource.h"

#include "base/Utf.h"
#include "model/ParamEncoding.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace px40ctl {
namespace {

// Columns on a terminal: CJK and full-width characters take two.
size_t DisplayWidth(const std::string& text)
{
    size_t width = 0;
    for (char16_t unit : vy::Utf8ToUtf16(text)) {
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            continue;  // second half of a pair
        const bool wide = (unit >= 0x1100 && unit <= 0x115F) || (unit >= 0x2E80 && unit <= 0xA4CF) ||
                          (unit >= 0xAC00 && unit <= 0xD7A3) || (unit >= 0xF900 && unit <= 0xFAFF) ||
                          (unit >= 0xFE30 && unit <= 0xFE4F) || (unit >= 0xFF00 && unit <= 0xFF60) ||
                          (unit >= 0xFFE0 && unit <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

// A plain text table: columns padded to their widest cell.
class Table {
public:
    explicit Table(std::vector<std::string> header) { m_rows.push_back(std::move(header)); }
    void Add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }
    void Print(std::ostream& out) const
    {
        std::vector<size_t> widths;
        for (const auto& row : m_rows)
            for (size_t c = 0; c < row.size(); ++c) {
                if (widths.size() <= c)
                    widths.push_back(0);
                widths[c] = std::max(widths[c], DisplayWidth(row[c]));
            }
        for (const auto& row : m_rows) {
            std::string line = "  ";
            for (size_t c = 0; c < row.size(); ++c) {
                line += row[c];
                if (c + 1 < row.size())
                    line += std::string(widths[c] - DisplayWidth(row[c]) + 2, ' ');
            }
            out << line << '\n';
        }
    }

private:
    std::vector<std::vector<std::string>> m_rows;
};

std::string YesNo(int32_t flag)
{
    return flag != 0 ? "yes" : "no";
}

std::string JoinInts(const std::vector<int32_t>& values)
{
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

void PrintParameters(const vy::CDefinitions& defs, std::ostream& out)
{
    out << "Parameters (" << defs.ParamDefs().size() << ")\n";
    Table table({"no", "name", "min", "max", "default", "send", "record", "valByte", "packed into"});
    for (const vy::ParamDef& p : defs.ParamDefs()) {
        std::string merge;
        if (p.bitMerge != 0)
            merge = std::to_string(p.mergeNo) + " bits " + std::to_string(p.mergeStartBit) + ".." +
                    std::to_string(p.mergeEndBit) + " (shift " + std::to_string(p.mergeEndBit) + ")";
        table.Add({std::to_string(p.paramNo), p.name, std::to_string(p.minVal), std::to_string(p.maxVal),
                   std::to_string(p.defVal), YesNo(p.sendDevice), YesNo(p.bRecord), std::to_string(p.valByte),
                   merge});
    }
    table.Print(out);
}

void PrintGroups(const vy::CDefinitions& defs, std::ostream& out)
{
    out << "\nGroups (" << defs.GroupDefs().size() << ")\n";
    Table table({"index", "name", "count", "parameters"});
    for (size_t g = 0; g < defs.GroupDefs().size(); ++g) {
        const vy::GroupDef& group = defs.GroupDefs()[g];
        table.Add({std::to_string(g), group.name, std::to_string(group.nParam), JoinInts(group.paramNos)});
    }
    table.Print(out);
    out << "  equaliser: " << defs.EqBandCount() << " bands from parameter " << defs.EqFirstParam()
        << "; effect number: parameter " << defs.EffectNumberParam() << '\n';
}

std::string ValuesText(const vy::EffectRecord& record, size_t count)
{
    std::vector<int32_t> values(record.values, record.values + std::min(count, vy::kEffectValueCount));
    return JoinInts(values);
}

void PrintEffects(const vy::CDefinitions& defs, const OpenedDefinitions& opened, std::ostream& out)
{
    const size_t count = std::max<size_t>(defs.ParamDefs().size(), 1);
    out << "\nEffects: " << defs.DefaultEffectCount() << " built-in, " << defs.DeviceCustomEffectCount()
        << " device custom slots, " << defs.DeviceEffectCount() << " in all\n";
    Table effects({"global", "kind", "index", "name", "values"});
    for (size_t g = 0; g < defs.Effects().size(); ++g) {
        const vy::EffectRecord& e = defs.Effects()[g];
        effects.Add({std::to_string(g), std::to_string(e.kind), std::to_string(e.index), e.Name(),
                     ValuesText(e, count)});
    }
    effects.Print(out);

    out << "\nEffect files (" << defs.EffectFiles().size() << ")\n";
    Table files({"index", "name", "path", "values"});
    for (const vy::EffectRecord& e : defs.EffectFiles()) {
        std::string path = e.Path();
        std::error_code ec;
        if (!opened.resourceFolder.empty() &&
            !std::filesystem::is_regular_file(std::filesystem::path(opened.resourceFolder) / path, ec))
            path += " (missing)";
        files.Add({std::to_string(e.index), e.Name(), path, ValuesText(e, count)});
    }
    files.Print(out);
}

void PrintRules(const vy::RuleSet& rules, std::ostream& out)
{
    out << "\nRules\n";
    out << "  switch to the effect after saving: device slot " << int(rules.SwitchAfterDeviceSave())
        << ", my effect " << int(rules.SwitchAfterMySave()) << '\n';
    out << "  my effect slots: " << rules.MyEffectMaxCount()
        << "; device slots renamable: " << YesNo(rules.DeviceCustomCanRename())
        << "; ask to save changed parameters: " << YesNo(rules.TipSaveOnChange()) << '\n';
    out << "  read device custom slots after connecting: " << YesNo(rules.SupportCustomSync())
        << "; adopt the device's parameters: " << YesNo(rules.SupportSyncDeviceParams()) << '\n';
    out << "  sound slots (PX40): " << (rules.Adpcm() ? "IMA ADPCM" : "WAV image") << ", "
        << rules.SoundSampleRate() << " Hz, " << rules.ChannelNum() << " channel(s), " << rules.BitPerSample()
        << " bits; length limits (s) by slot: "
        << (rules.MaxInterceptDurations().empty() ? "none" : JoinInts(rules.MaxInterceptDurations())) << '\n';

    out << "  effect rules (" << rules.EffectRules().size() << ")\n";
    Table table({"  key", "forbid: volume", "EQ", "reverb", "pitch", "reverb+pitch", "electric", "pitch page",
                 "save", "one-touch", "dodge"});
    for (const auto& [key, r] : rules.EffectRules())
        table.Add({"  " + std::to_string(key), YesNo(r.IsForbidVC), YesNo(r.IsForbidEQ), YesNo(r.IsForbidReverb),
                   YesNo(r.IsForbidPitch), YesNo(r.IsForbidReverbAndPitch), YesNo(r.IsForbidEletric),
                   YesNo(r.IsSwitchToPitchTabPage), YesNo(r.IsEnableSaveEffect),
                   YesNo(r.IsEnableOneTouchSoundtrack), YesNo(r.IsEnableDodge)});
    table.Print(out);
}

void Setup(CLI::App& app, int& exitCode)
{
    auto source = std::make_shared<DefinitionSource>();
    CLI::App* defs = app.add_subcommand("defs", "Inspect the product definitions (parameters, groups, effects, rules)");
    defs->require_subcommand(1);
    CLI::App* show = defs->add_subcommand("show", "Print the definitions and rules as the program reads them");
    AddDefinitionOptions(show, *source);
    show->callback([source, &exitCode] {
        OpenedDefinitions opened;
        std::string error;
        if (!OpenDefinitions(*source, opened, error)) {
            PrintError(error);
            exitCode = kExitFailed;
            return;
        }
        auto loaded = std::make_unique<LoadedDefinitions>();
        LoadDefinitions(*opened.resources, *loaded);
        std::cout << "Definitions from " << opened.description << "\n\n";
        PrintParameters(loaded->defs, std::cout);
        PrintGroups(loaded->defs, std::cout);
        PrintEffects(loaded->defs, opened, std::cout);
        PrintRules(loaded->rules, std::cout);
        if (!loaded->report.Clean()) {
            std::cout << "\nNotes\n";
            for (const std::string& note : loaded->report.notes)
                std::cout << "  " << note << '\n';
        }
        if (!loaded->parametersFound) {
            PrintError("no parameter definitions in " + opened.description);
            exitCode = kExitFailed;
            return;
        }
        exitCode = kExitOk;
    });
}

CCommandRegistrar registrar("defs", Setup);

}  // namespace
}  // namespace px40ctl
