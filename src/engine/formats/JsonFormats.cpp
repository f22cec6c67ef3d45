#include "engine/formats/JsonLine.h"
#include "engine/formats/KnownFormats.h"

#include <algorithm>

namespace trevix {
namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "-" is how servers write a field they have no value for.
std::string_view Field(std::string_view text) { return text == "-" ? std::string_view{} : text; }

// "1.2.3.4:80" and "[::1]:443" without the port; a bare IPv6 address has colons of its own.
std::string_view WithoutPort(std::string_view text) {
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close != std::string_view::npos &&
            (close + 1 == text.size() || (text[close + 1] == ':' && AllDigits(text.substr(close + 2)))))
            return text.substr(1, close - 1);
        return text;
    }
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos &&
        AllDigits(text.substr(colon + 1)))
        return text.substr(0, colon);
    return text;
}

bool LooksIso8601(std::string_view text) {
    auto digit = [&](size_t i) { return text[i] >= '0' && text[i] <= '9'; };
    return text.size() >= 10 && digit(0) && digit(1) && digit(2) && digit(3) && text[4] == '-' && digit(5) &&
           digit(6) && text[7] == '-' && digit(8) && digit(9);
}

// A number of seconds since 1970 may really be milliseconds, microseconds or nanoseconds
// (loggers can be set to write those): the count of whole digits tells, for any date after 1973.
void UnixStamp(std::string_view text, LineFields& fields) {
    const size_t dot = std::min(text.find('.'), text.size());
    const std::string_view whole = text.substr(0, dot);
    fields.Stamp = text;
    fields.Form = StampForm::UnixSeconds;
    if (!AllDigits(whole) || whole.size() <= 11) return;
    if (whole.size() <= 14) {
        fields.Stamp = whole;
        fields.Form = StampForm::UnixMillis;
    } else if (whole.size() <= 17) {
        fields.Stamp = whole;
        fields.Form = StampForm::UnixMicros;
    } else {
        fields.Stamp = whole.substr(0, whole.size() - 3);
        fields.Form = StampForm::UnixMicros;
    }
}

class JsonKeysFormat final : public LineFormat {
public:
    JsonKeysFormat(JsonFieldMap map, std::vector<JsonKeyPath> paths, std::vector<int> starts)
        : map_(std::move(map)), line_(paths), starts_(std::move(starts)), values_(paths.size()) {}

    std::string_view Name() const override { return map_.Name; }

    LineKind Read(std::string_view line, LineFields& fields, TextArena& scratch) const override {
        if (!line_.Read(line, values_.data(), scratch)) return LineKind::NotRead;
        fields = {};

        const JsonValue* status = First(StatusField);
        if (!status || !AllDigits(status->Text)) return LineKind::NotRead;
        fields.Status = status->Text;

        if (const JsonValue* request = First(RequestField); request && !Field(request->Text).empty()) {
            fields.Request = request->Text;
        } else {
            const JsonValue* method = First(MethodField);
            if (!method || Field(method->Text).empty()) return LineKind::NotRead;
            fields.Method = method->Text;
            if (const JsonValue* uri = First(UriField); uri && !Field(uri->Text).empty()) {
                const size_t mark = uri->Text.find('?');
                fields.Path = uri->Text.substr(0, mark);
                if (mark != std::string_view::npos) fields.Query = uri->Text.substr(mark + 1);
            } else if (const JsonValue* path = First(PathField); path && !Field(path->Text).empty()) {
                fields.Path = path->Text;
                if (const JsonValue* query = First(QueryField)) fields.Query = Field(query->Text);
            } else {
                return LineKind::NotRead;
            }
        }

        if (const JsonValue* bytes = First(BytesField)) {
            const std::string_view text = Field(bytes->Text);
            if (!text.empty() && !AllDigits(text)) return LineKind::NotRead;
            fields.Bytes = text;
        }
        if (const JsonValue* client = First(ClientField)) fields.Client = WithoutPort(Field(client->Text));
        if (const JsonValue* host = First(HostField)) fields.Host = WithoutPort(Field(host->Text));
        if (const JsonValue* referrer = First(ReferrerField)) fields.Referrer = Field(referrer->Text);
        if (const JsonValue* agent = First(UserAgentField)) fields.UserAgent = Field(agent->Text);
        Time(fields);
        return LineKind::Entry;
    }

    // The order of the fields' paths in the reader's list.
    enum FieldIndex {
        ClientField, HostField, TimeField, RequestField, MethodField, UriField, PathField, QueryField,
        StatusField, BytesField, ReferrerField, UserAgentField, FieldCount
    };

private:
    // The first of a field's paths that holds a string or a number other than "" and "-"
    // (an empty client_ip falls back to remote_ip).
    const JsonValue* First(int field) const {
        for (int i = starts_[field]; i < starts_[field + 1]; ++i) {
            const JsonValue& value = values_[i];
            if ((value.Type == JsonType::String || value.Type == JsonType::Number) && !Field(value.Text).empty())
                return &value;
        }
        return nullptr;
    }

    void Time(LineFields& fields) const {
        for (int i = starts_[TimeField]; i < starts_[TimeField + 1]; ++i) {
            const JsonValue& value = values_[i];
            if (value.Type != JsonType::String && value.Type != JsonType::Number) continue;
            const std::string_view text = Field(value.Text);
            if (text.empty()) continue;
            const JsonTimeKey& key = map_.Time[i - starts_[TimeField]];
            if (key.Form == StampForm::UnixSeconds && value.Type == JsonType::String && LooksIso8601(text)) {
                fields.Form = StampForm::Iso8601;
                fields.Stamp = text;
            } else if (key.Form == StampForm::UnixSeconds) {
                UnixStamp(text, fields);
            } else if (key.Form == StampForm::Clf && text.size() > 2 && text.front() == '[' && text.back() == ']') {
                fields.Form = StampForm::Clf;
                fields.Stamp = text.substr(1, text.size() - 2);
            } else {
                fields.Form = key.Form;
                fields.Stamp = text;
                if (key.Form == StampForm::Pattern) fields.StampPattern = key.Pattern;
            }
            return;
        }
    }

    JsonFieldMap map_;
    JsonLine line_;
    std::vector<int> starts_;                 // field f's paths are [starts_[f], starts_[f + 1])
    mutable std::vector<JsonValue> values_;   // one per path, reused line after line
};

JsonFieldMap CaddyMap() {
    JsonFieldMap map;
    map.Name = "Caddy JSON";
    // client_ip is the client behind trusted proxies; older versions wrote remote_addr with a port.
    map.Client = {JsonPath("request.client_ip"), JsonPath("request.remote_ip"), JsonPath("request.remote_addr")};
    map.Host = {JsonPath("request.host")};
    map.Time = {{{"ts"}, StampForm::UnixSeconds, {}}};
    map.Method = {JsonPath("request.method")};
    map.Uri = {JsonPath("request.uri")};
    map.Status = {{"status"}};
    map.Bytes = {{"size"}};
    map.Referrer = {JsonPath("request.headers.Referer")};
    map.UserAgent = {JsonPath("request.headers.User-Agent")};
    return map;
}

JsonFieldMap TraefikMap() {
    JsonFieldMap map;
    map.Name = "Traefik JSON";
    map.Client = {{"ClientHost"}, {"ClientAddr"}};
    map.Host = {{"RequestHost"}, {"RequestAddr"}};
    map.Time = {{{"StartUTC"}, StampForm::Iso8601, {}}, {{"StartLocal"}, StampForm::Iso8601, {}}};
    map.Method = {{"RequestMethod"}};
    map.Uri = {{"RequestPath"}};
    map.Status = {{"DownstreamStatus"}};
    map.Bytes = {{"DownstreamContentSize"}};
    map.Referrer = {{"request_Referer"}};
    map.UserAgent = {{"request_User-Agent"}};
    return map;
}

JsonFieldMap NginxJsonMap() {
    JsonFieldMap map;
    map.Name = "nginx JSON";
    map.Client = {{"remote_addr"}};
    map.Host = {{"host"}, {"http_host"}, {"server_name"}};
    map.Time = {{{"time_iso8601"}, StampForm::Iso8601, {}},
                {{"time_local"}, StampForm::Clf, {}},
                {{"msec"}, StampForm::UnixSeconds, {}}};
    map.Request = {{"request"}};
    map.Method = {{"request_method"}};
    map.Uri = {{"request_uri"}};
    map.Path = {{"uri"}};
    map.Query = {{"args"}, {"query_string"}};
    map.Status = {{"status"}};
    map.Bytes = {{"body_bytes_sent"}, {"bytes_sent"}};
    map.Referrer = {{"http_referer"}};
    map.UserAgent = {{"http_user_agent"}};
    return map;
}

} // namespace

std::unique_ptr<LineFormat> MakeJsonKeysFormat(JsonFieldMap map) {
    if (map.Status.empty() || (map.Request.empty() && (map.Method.empty() || (map.Uri.empty() && map.Path.empty()))))
        return nullptr;
    std::vector<JsonKeyPath> paths;
    std::vector<int> starts;
    auto add = [&](const std::vector<JsonKeyPath>& field) {
        starts.push_back(static_cast<int>(paths.size()));
        paths.insert(paths.end(), field.begin(), field.end());
    };
    std::vector<JsonKeyPath> times;
    for (const JsonTimeKey& key : map.Time) times.push_back(key.Path);
    add(map.Client);
    add(map.Host);
    add(times);
    add(map.Request);
    add(map.Method);
    add(map.Uri);
    add(map.Path);
    add(map.Query);
    add(map.Status);
    add(map.Bytes);
    add(map.Referrer);
    add(map.UserAgent);
    starts.push_back(static_cast<int>(paths.size()));
    return std::make_unique<JsonKeysFormat>(std::move(map), std::move(paths), std::move(starts));
}

std::unique_ptr<LineFormat> MakeCaddyFormat() { return MakeJsonKeysFormat(CaddyMap()); }
std::unique_ptr<LineFormat> MakeTraefikFormat() { return MakeJsonKeysFormat(TraefikMap()); }
std::unique_ptr<LineFormat> MakeNginxJsonFormat() { return MakeJsonKeysFormat(NginxJsonMap()); }

} // namespace trevix
