#include "XmlReportReading.h"

#include "XmlText.h"
#include "engine/Analyser.h"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace trevix::xmlreport {

void StopIfCancelled(Analyser& a) {
    if (a.Host->IsCancelled()) throw LoadCancelled{};
}

std::string NextRowKey(const ReportList& list, std::string_view prefix) {
    std::string key(prefix);
    key += std::to_string(list.RowCount() + 1);
    return key;
}

void AppendKeyPart(std::string& key, std::string_view part) {
    const uint64_t size = part.size();
    key.append(reinterpret_cast<const char*>(&size), sizeof size);
    key.append(part);
}

std::vector<pugi::xml_node> Select(pugi::xml_node from, std::string_view path) {
    std::vector<pugi::xml_node> nodes{from};
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string name(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        std::vector<pugi::xml_node> next;
        for (pugi::xml_node n : nodes)
            for (pugi::xml_node c = n.child(name.c_str()); c; c = c.next_sibling(name.c_str())) next.push_back(c);
        nodes = std::move(next);
        if (nodes.empty()) break;
    }
    return nodes;
}

pugi::xml_node SelectFirst(pugi::xml_node from, std::string_view path) {
    std::vector<pugi::xml_node> nodes = Select(from, path);
    return nodes.empty() ? pugi::xml_node() : nodes.front();
}

std::string Clean(std::string_view text) { return IsXmlText(text) ? std::string(text) : ToXmlText(text); }

// Walked without recursion, so deep nesting costs no stack.
std::string Text(pugi::xml_node element) {
    pugi::xml_node child = element.first_child();
    if (!child) return {};
    if (!child.next_sibling() && (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata))
        return Clean(child.value());
    std::string text;
    for (pugi::xml_node n = child; n && n != element;) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n != element && !n.next_sibling()) n = n.parent();
        if (n != element) n = n.next_sibling();
    }
    return Clean(text);
}

std::string Attr(pugi::xml_node element, const char* name) {
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) throw ReportFormatError(std::string("missing attribute ") + name);
    return Clean(attribute.value());
}

// The locale's integer conversion: separators accepted, rounded half to even, 32 bits.
int32_t Integer(const Analyser& a, std::string_view text) {
    std::optional<double> value = a.NumberFormat.ParseNumber(text);
    if (!value) throw ReportFormatError("not a number");
    const double rounded = std::nearbyint(*value);
    if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
        throw ReportFormatError("number out of range");
    return static_cast<int32_t>(rounded);
}

SectionProgress::SectionProgress(Analyser& a, size_t count) : a_(a), count_(static_cast<long long>(count)) {
    a_.Host->SetProgress(0, count_);
}

void SectionProgress::Element(size_t done) {
    if (done % 100 != 0) return;
    a_.Host->SetProgress(static_cast<long long>(done), count_);
    a_.Host->ProcessEvents();
    StopIfCancelled(a_);
}

} // namespace trevix::xmlreport
