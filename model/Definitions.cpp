#include "model/Definitions.h"

#include "base/Utf.h"
#include "model/XmlRead.h"

#include <pugixml.hpp>

#include <algorithm>

namespace vy {
namespace {

constexpr std::string_view kParameterDocument = "parameter";

// The section's entries: its child elements in document order, tags not examined.
std::vector<pugi::xml_node> Entries(pugi::xml_node section)
{
    std::vector<pugi::xml_node> entries;
    for (pugi::xml_node child : section.children())
        if (child.type() == pugi::node_element)
            entries.push_back(child);
    return entries;
}

// Finds `VyAudio` and the named section of a document.
pugi::xml_node OpenSection(const IResourceProvider& resources, std::string_view document, std::string_view section,
                           pugi::xml_document& doc, LoadReport* report)
{
    if (!xml::LoadDocument(resources, document, doc, report))
        return {};
    pugi::xml_node root = xml::Root(doc);
    if (!root) {
        if (report)
            report->Add("document \"" + std::string(document) + "\" has no VyAudio element");
        return {};
    }
    pugi::xml_node found = xml::FindSection(root, section);
    if (!found && report)
        report->Add("document \"" + std::string(document) + "\" has no section " + std::string(section));
    return found;
}

void ReadValues(pugi::xml_node entry, EffectRecord& record, LoadReport* report)
{
    std::vector<int32_t> values = xml::ReadIntList(entry, "paramValue", kEffectValueCount, report);
    std::copy(values.begin(), values.end(), record.values);
}

std::string ReadEffectName(pugi::xml_node entry, LoadReport* report)
{
    return xml::ReadText(entry, "name", kEffectNameUnits - 1, report);
}

}  // namespace

bool CDefinitions::LoadParamDefs(const IResourceProvider& resources, EffectRecord& current, LoadReport* report)
{
    m_paramDefs.clear();
    m_mergeTable.clear();
    pugi::xml_document doc;
    pugi::xml_node section = OpenSection(resources, kParameterDocument, "DefaultParamInfo", doc, report);
    if (!section)
        return false;

    std::vector<pugi::xml_node> entries = Entries(section);
    if (entries.size() > static_cast<size_t>(kMaxParams)) {
        // The record holds 64 values: a 65th parameter would have nowhere to live.
        if (report)
            report->Add("DefaultParamInfo holds " + std::to_string(entries.size()) + " parameters, only the first " +
                        std::to_string(kMaxParams) + " are kept");
        entries.resize(kMaxParams);
    }
    for (size_t k = 0; k < entries.size(); ++k) {
        pugi::xml_node entry = entries[k];
        ParamDef def;
        def.paramNo = xml::ReadInt(entry, "paramNo", 0, report);
        def.name = xml::ReadText(entry, "name", kParamNameChars, report);
        def.minVal = xml::ReadInt(entry, "minVal", 0, report);
        def.maxVal = xml::ReadInt(entry, "maxVal", 0, report);
        def.defVal = xml::ReadInt(entry, "defVal", 0, report);
        def.sendDevice = xml::ReadInt(entry, "sendDevice", 0, report);
        def.bRecord = xml::ReadInt(entry, "bRecord", 1, report);
        def.valByte = xml::ReadInt(entry, "valByte", 0, report);
        def.bitMerge = xml::ReadInt(entry, "bitMerge", 0, report);
        def.mergeNo = xml::ReadInt(entry, "mergeNo", 0, report);
        def.mergeStartBit = xml::ReadInt(entry, "mergeStartBit", 0, report);
        def.mergeEndBit = xml::ReadInt(entry, "mergeEndBit", 0, report);
        if (report && def.paramNo != static_cast<int32_t>(k))
            report->Add(xml::Describe(entry) + " has paramNo " + std::to_string(def.paramNo) + " at position " +
                        std::to_string(k));
        if (def.bitMerge != 0)
            m_mergeTable.emplace(def.mergeNo, def.paramNo);
        current.values[k] = def.defVal;
        m_paramDefs.push_back(std::move(def));
    }

    if (report) {
        for (const ParamDef& def : m_paramDefs) {
            if (def.bitMerge == 0)
                continue;
            if (!IsValidParam(def.mergeNo))
                report->Add("parameter " + std::to_string(def.paramNo) + " is packed into " +
                            std::to_string(def.mergeNo) + ", which is not a parameter");
            if (def.mergeEndBit < 0 || def.mergeEndBit > 31)
                report->Add("parameter " + std::to_string(def.paramNo) + " has a shift of " +
                            std::to_string(def.mergeEndBit) + " bits");
        }
    }
    return true;
}

bool CDefinitions::LoadGroupDefs(const IResourceProvider& resources, LoadReport* report)
{
    m_groupDefs.clear();
    m_eqFirstParam = 0;
    m_eqBandCount = 0;
    m_effectNumberParam = 0;
    pugi::xml_document doc;
    pugi::xml_node section = OpenSection(resources, kParameterDocument, "DefaultGroupInfo", doc, report);
    if (!section)
        return false;

    for (pugi::xml_node entry : Entries(section)) {
        GroupDef group;
        group.name = xml::ReadText(entry, "name", kGroupNameChars, report);
        group.nParam = xml::ReadInt(entry, "nParam", 0, report);
        group.paramNos = xml::ReadIntList(entry, "paramNos", kGroupMaxParams, report);
        if (report && (group.nParam < 0 || static_cast<size_t>(group.nParam) > group.paramNos.size()))
            report->Add(xml::Describe(entry) + " counts " + std::to_string(group.nParam) + " parameters but lists " +
                        std::to_string(group.paramNos.size()));

        // An empty list reads as parameter 0, as an all-zero number array would.
        const int32_t first = group.paramNos.empty() ? 0 : group.paramNos.front();
        if (group.name.find("均衡") != std::string::npos) {
            m_eqFirstParam = first;
            m_eqBandCount = group.nParam;
        } else if (group.name.find("音效编号") != std::string::npos) {
            m_effectNumberParam = first;
        }
        m_groupDefs.push_back(std::move(group));
    }

    if (report && !m_paramDefs.empty()) {
        for (size_t g = 0; g < m_groupDefs.size(); ++g) {
            const GroupDef& group = m_groupDefs[g];
            size_t used = std::min(group.paramNos.size(), static_cast<size_t>(std::max(group.nParam, 0)));
            for (size_t i = 0; i < used; ++i)
                if (!IsValidParam(group.paramNos[i]))
                    report->Add("group " + std::to_string(g) + " (" + group.name + ") names parameter " +
                                std::to_string(group.paramNos[i]) + ", which does not exist");
        }
    }
    return true;
}

bool CDefinitions::LoadDefaultEffects(const IResourceProvider& resources, LoadReport* report)
{
    m_effects.clear();
    m_defaultEffectCount = 0;
    m_deviceCustomEffectCount = 0;
    pugi::xml_document doc;
    pugi::xml_node section = OpenSection(resources, kParameterDocument, "DefaultEffectInfo", doc, report);
    if (!section)
        return false;

    std::vector<EffectRecord> builtIn;
    std::vector<EffectRecord> custom;
    for (pugi::xml_node entry : Entries(section)) {
        EffectRecord record;
        record.SetName(ReadEffectName(entry, report));
        record.kind = xml::ReadInt(entry, "effectType", 0, report);
        ReadValues(entry, record, report);
        std::vector<EffectRecord>& part = record.kind == kEffectKindDeviceCustom ? custom : builtIn;
        record.index = static_cast<int32_t>(part.size());
        part.push_back(record);
    }
    m_defaultEffectCount = static_cast<int32_t>(builtIn.size());
    m_deviceCustomEffectCount = static_cast<int32_t>(custom.size());
    m_effects = std::move(builtIn);
    m_effects.insert(m_effects.end(), custom.begin(), custom.end());
    return true;
}

bool CDefinitions::LoadEffectFiles(const IResourceProvider& resources, std::string_view documentName,
                                   LoadReport* report)
{
    m_effectFiles.clear();
    pugi::xml_document doc;
    pugi::xml_node section = OpenSection(resources, documentName, "ZanEffectFiles", doc, report);
    if (!section)
        return false;

    for (pugi::xml_node entry : Entries(section)) {
        EffectRecord record;
        record.SetName(ReadEffectName(entry, report));
        // Files made on Windows separate folders with backslashes.
        std::string path = xml::ReadText(entry, "path", kEffectPathUnits - 1, report);
        std::replace(path.begin(), path.end(), '\\', '/');
        if (report && (path.empty() || path.front() == '/' || path.find("..") != std::string::npos))
            report->Add(xml::Describe(entry) + " path \"" + path + "\" is not a file inside the resource folder");
        record.SetPath(path);
        ReadValues(entry, record, report);
        record.kind = kEffectKindFile;
        record.index = static_cast<int32_t>(m_effectFiles.size());
        record.isFile = 1;
        m_effectFiles.push_back(record);
    }
    return true;
}

bool CDefinitions::LoadAll(const IResourceProvider& resources, std::string_view effectFileDocument,
                           EffectRecord& current, LoadReport* report)
{
    bool ok = LoadParamDefs(resources, current, report);
    ok = LoadGroupDefs(resources, report) && ok;
    ok = LoadDefaultEffects(resources, report) && ok;
    ok = LoadEffectFiles(resources, effectFileDocument, report) && ok;
    return ok;
}

std::vector<int32_t> CDefinitions::GroupParamNumbers(size_t group) const
{
    std::vector<int32_t> numbers;
    if (group >= m_groupDefs.size())
        return numbers;
    const GroupDef& def = m_groupDefs[group];
    size_t used = std::min(def.paramNos.size(), static_cast<size_t>(std::max(def.nParam, 0)));
    for (size_t i = 0; i < used; ++i)
        if (IsValidParam(def.paramNos[i]))
            numbers.push_back(def.paramNos[i]);
    return numbers;
}

void CDefinitions::Clear()
{
    m_paramDefs.clear();
    m_mergeTable.clear();
    m_groupDefs.clear();
    m_effects.clear();
    m_effectFiles.clear();
    m_eqFirstParam = 0;
    m_eqBandCount = 0;
    m_effectNumberParam = 0;
    m_defaultEffectCount = 0;
    m_deviceCustomEffectCount = 0;
}

}  // namespace vy
