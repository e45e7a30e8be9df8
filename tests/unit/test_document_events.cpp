#include "browser/MSHTMLEvents.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// A connection-point source that records what the sink asks of it and
// fails where a test tells it to.
class ScriptedSource : public IConnectionPointContainer, public IConnectionPoint {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || (iid == IID_IConnectionPointContainer && offerContainer)) {
            *object = static_cast<IConnectionPointContainer*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    IUnknown* Unknown() { return static_cast<IConnectionPointContainer*>(this); }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        asked.push_back(GuidToString(iid));
        if (!offerPoint) {
            *point = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *point = this;
        AddRef();
        return S_OK;
    }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (refuseAdvise)
            return CONNECT_E_CANNOTCONNECT;
        advised.push_back(sink);
        *cookie = ++lastCookie;
        log.push_back("advise " + std::to_string(*cookie));
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) override
    {
        log.push_back("unadvise " + std::to_string(cookie));
        return failUnadvise ? CONNECT_E_NOCONNECTION : S_OK;
    }

    bool offerContainer = true, offerPoint = true, refuseAdvise = false, failUnadvise = false;
    int references = 0;
    DWORD lastCookie = 100;
    std::vector<std::string> log, asked;
    std::vector<IUnknown*> advised;
};

TEST(DocumentEventSink, ConnectAdvisesTheSinkForItsInterface)
{
    ScriptedSource source;
    TMSHTMLHTMLDocumentEvents sink(nullptr);
    sink.Connect(source.Unknown());
    EXPECT_EQ(source.asked, std::vector<std::string>{"{3050F260-98B5-11CF-BB82-00AA00BDCE0B}"});
    ASSERT_EQ(source.advised.size(), 1u);
    EXPECT_EQ(source.advised[0], static_cast<IUnknown*>(static_cast<IDispatch*>(&sink)));
    EXPECT_EQ(sink.Cookie(), 101u);
    EXPECT_EQ(sink.Source(), source.Unknown());
    EXPECT_GT(source.references, 0) << "the sink holds counted references while connected";
    sink.Disconnect();
    EXPECT_EQ(source.references, 0);
    EXPECT_EQ(sink.Source(), nullptr);
}

struct LifecycleCase {
    friend void PrintTo(const LifecycleCase& c, std::ostream* out) { *out << c.name; }
    const char* name;
    void (*steps)(TMSHTMLHTMLDocumentEvents*& sink, ScriptedSource& first, ScriptedSource& second);
    std::vector<std::string> firstLog, secondLog;
};

class SinkLifecycle : public testing::TestWithParam<LifecycleCase> {};

TEST_P(SinkLifecycle, AdvisesAndUnadvisesInOrder)
{
    ScriptedSource first, second;
    auto* sink = new TMSHTMLHTMLDocumentEvents(nullptr);
    GetParam().steps(sink, first, second);
    delete sink;
    EXPECT_EQ(first.log, GetParam().firstLog);
    EXPECT_EQ(second.log, GetParam().secondLog);
    EXPECT_EQ(first.references, 0);
    EXPECT_EQ(second.references, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SinkLifecycle,
    testing::Values(
        LifecycleCase{"connect_while_connected_unadvises_the_first",
                      [](auto*& sink, auto& first, auto& second) {
                          sink->Connect(first.Unknown());
                          sink->Connect(second.Unknown());
                          EXPECT_EQ(sink->Source(), second.Unknown());
                      },
                      {"advise 101", "unadvise 101"}, {"advise 101", "unadvise 101"}},
        LifecycleCase{"reconnect_to_the_same_source_advises_once",
                      [](auto*& sink, auto& first, auto&) {
                          sink->Connect(first.Unknown());
                          sink->Connect(first.Unknown());
                          sink->Connect(first.Unknown());
                      },
                      {"advise 101", "unadvise 101", "advise 102", "unadvise 102", "advise 103", "unadvise 103"}, {}},
        LifecycleCase{"disconnect_twice",
                      [](auto*& sink, auto& first, auto&) {
                          sink->Connect(first.Unknown());
                          sink->Disconnect();
                          sink->Disconnect();
                          EXPECT_EQ(sink->Source(), nullptr);
                      },
                      {"advise 101", "unadvise 101"}, {}},
        LifecycleCase{"destroying_a_connected_sink_unadvises", [](auto*& sink, auto& first, auto&) { sink->Connect(first.Unknown()); },
                      {"advise 101", "unadvise 101"}, {}},
        LifecycleCase{"failing_unadvise_still_disconnects",
                      [](auto*& sink, auto& first, auto&) {
                          first.failUnadvise = true;
                          sink->Connect(first.Unknown());
                          sink->Disconnect();
                          EXPECT_EQ(sink->Source(), nullptr);
                      },
                      {"advise 101", "unadvise 101"}, {}}),
    [](const testing::TestParamInfo<LifecycleCase>& info) { return info.param.name; });

struct ConnectFailure {
    friend void PrintTo(const ConnectFailure& c, std::ostream* out) { *out << c.name; }
    const char* name;
    void (*breakSource)(ScriptedSource& source);
};

class SinkConnectFailure : public testing::TestWithParam<ConnectFailure> {};

TEST_P(SinkConnectFailure, RaisesUnableToConnectAndStaysDisconnected)
{
    ScriptedSource source;
    GetParam().breakSource(source);
    TMSHTMLHTMLDocumentEvents sink(nullptr);
    sink.setObjectName(QStringLiteral("TopSink"));
    try {
        sink.Connect(source.Unknown());
        FAIL() << "no error";
    } catch (const ESinkError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Unable to connect TopSink.\r", 0), 0u) << error.what();
        EXPECT_GT(std::string(error.what()).size(), std::string("Unable to connect TopSink.\r").size());
    }
    EXPECT_EQ(sink.Source(), nullptr);
    EXPECT_EQ(source.references, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SinkConnectFailure,
    testing::Values(ConnectFailure{"no_container", [](ScriptedSource& s) { s.offerContainer = false; }},
                    ConnectFailure{"no_connection_point", [](ScriptedSource& s) { s.offerPoint = false; }},
                    ConnectFailure{"advise_refused", [](ScriptedSource& s) { s.refuseAdvise = true; }}),
    [](const testing::TestParamInfo<ConnectFailure>& info) { return info.param.name; });

TEST(DocumentEventSink, AnswersItsInterfacesAndCountsNoReferences)
{
    TMSHTMLHTMLDocumentEvents sink(nullptr);
    void* object = reinterpret_cast<void*>(1);
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, GuidFromString("{3050F260-98B5-11CF-BB82-00AA00BDCE0B}")}) {
        EXPECT_EQ(sink.QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IDispatch*>(&sink));
    }
    EXPECT_EQ(sink.QueryInterface(IID_IConnectionPoint, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sink.AddRef(), 2u);
        EXPECT_EQ(sink.Release(), 1u);
        EXPECT_EQ(sink.Release(), 1u);
    }
    unsigned count = 7;
    EXPECT_EQ(sink.GetTypeInfoCount(&count), E_NOTIMPL);
    EXPECT_EQ(count, 0u);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(sink.GetTypeInfo(0, 0, &info), E_NOTIMPL);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(sink.GetIDsOfNames(GUID_NULL, nullptr, 0, 0, nullptr), E_NOTIMPL);
}

class SinkInvoke : public testing::Test {
protected:
    HRESULT Call(DISPID id, WORD flags = DISPATCH_METHOD, DISPPARAMS* params = nullptr)
    {
        DISPPARAMS none;
        return sink_.Invoke(id, GUID_NULL, 0, flags, params ? params : &none, &result_, &failure_, nullptr);
    }
    TMSHTMLHTMLDocumentEvents sink_{nullptr};
    VARIANT result_;
    EXCEPINFO failure_;
    int calls_ = 0;
};

TEST_F(SinkInvoke, OnclickAnsweringFalseGivesVtBoolFalse)
{
    sink_.onclick = [this](TMSHTMLHTMLDocumentEvents* sender) {
        EXPECT_EQ(sender, &sink_);
        ++calls_;
        return false;
    };
    EXPECT_EQ(Call(-600), S_OK);
    EXPECT_EQ(calls_, 1);
    EXPECT_EQ(result_.vt, VT_BOOL);
    EXPECT_EQ(result_.boolVal, VARIANT_FALSE);
}

TEST_F(SinkInvoke, BooleanEventWithoutHandlerAllowsTheDefaultAction)
{
    EXPECT_EQ(Call(1023), S_OK); // oncontextmenu
    EXPECT_EQ(result_.vt, VT_BOOL);
    EXPECT_EQ(result_.boolVal, VARIANT_TRUE);
}

TEST_F(SinkInvoke, PropertyAccessIsRefusedAndCallsNothing)
{
    sink_.onclick = [this](TMSHTMLHTMLDocumentEvents*) { return ++calls_ > 0; };
    EXPECT_EQ(Call(-600, DISPATCH_PROPERTYGET), DISP_E_EXCEPTION);
    EXPECT_EQ(failure_.bstrDescription, u"TMSHTMLHTMLDocumentEvents only supports sinking of method calls!");
    EXPECT_EQ(calls_, 0);
    EXPECT_EQ(result_.vt, VT_EMPTY);
    EXPECT_EQ(Call(-600, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
    EXPECT_EQ(calls_, 1);
}

TEST_F(SinkInvoke, UnknownDispatchIdIsNoMember)
{
    sink_.onclick = [this](TMSHTMLHTMLDocumentEvents*) { return ++calls_ > 0; };
    EXPECT_EQ(Call(0), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(-599), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(calls_, 0);
}

TEST_F(SinkInvoke, FailingHandlerIsAFailureCodeNotAnException)
{
    sink_.onclick = [](TMSHTMLHTMLDocumentEvents*) -> bool { throw std::runtime_error("no document"); };
    HRESULT hr = S_OK;
    EXPECT_NO_THROW(hr = Call(-600));
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(failure_.bstrDescription, u"no document");
    EXPECT_EQ(result_.vt, VT_EMPTY);
}

// Records the argument map the sink builds for a call.
class MapRecordingSink : public TMSHTMLEventsBaseSink {
public:
    MapRecordingSink() : TMSHTMLEventsBaseSink(nullptr) {}
    std::vector<int> map;
    bool mapped = false;

protected:
    HRESULT DispatchEvent(DISPID, REFIID, LCID, WORD, DISPPARAMS*, const std::vector<int>* argMap, VARIANT*,
                          EXCEPINFO*, unsigned*) override
    {
        mapped = argMap != nullptr;
        if (argMap)
            map = *argMap;
        return S_OK;
    }
};

TEST(SinkArgumentMap, PositionalArgumentsReversedNamedOnesByPosition)
{
    VARIANTARG args[4];
    DISPID named[2] = {3, 1};
    DISPPARAMS params{args, named, 4, 2};
    MapRecordingSink sink;
    ASSERT_EQ(sink.Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    ASSERT_TRUE(sink.mapped);
    EXPECT_EQ(sink.map, (std::vector<int>{3, 1, 1, 0}));

    DISPPARAMS none;
    ASSERT_EQ(sink.Invoke(1, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_FALSE(sink.mapped);
}

TEST(DocumentEventsTable, HasAllThirtyEightEventsOnce)
{
    const auto& events = TMSHTMLHTMLDocumentEvents::Events();
    ASSERT_EQ(events.size(), 38u);
    int booleans = 0;
    std::set<DISPID> ids;
    for (const auto& event : events) {
        ids.insert(event.id);
        booleans += event.boolean != nullptr;
        EXPECT_NE(event.boolean == nullptr, event.notify == nullptr) << event.name;
    }
    EXPECT_EQ(ids.size(), 38u);
    EXPECT_EQ(booleans, 15);

    // Every entry reaches its own handler.
    TMSHTMLHTMLDocumentEvents sink(nullptr);
    std::string called;
    for (const auto& event : events) {
        if (event.boolean)
            sink.*event.boolean = [&called, &event](TMSHTMLHTMLDocumentEvents*) { called = event.name; return true; };
        else
            sink.*event.notify = [&called, &event](TMSHTMLHTMLDocumentEvents*) { called = event.name; };
    }
    for (const auto& event : events) {
        DISPPARAMS none;
        VARIANT result;
        ASSERT_EQ(sink.Invoke(event.id, GUID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
        EXPECT_EQ(called, event.name);
        EXPECT_EQ(result.vt, event.boolean ? VT_BOOL : VT_EMPTY) << event.name;
    }
}

TEST(Guids, ParseAndPrint)
{
    EXPECT_EQ(GuidFromString("{3050F260-98B5-11CF-BB82-00AA00BDCE0B}"), DIID_HTMLDocumentEvents);
    EXPECT_EQ(GuidToString(IID_IConnectionPointContainer), "{B196B284-BAB4-101A-B69C-00AA00341D07}");
    EXPECT_EQ(GuidFromString("{3050F260-98B5-11CF-BB82-00AA00BDCE0B}x"), GUID_NULL);
    EXPECT_EQ(GuidFromString("3050F260"), GUID_NULL);
}

} // namespace
