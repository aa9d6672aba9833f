// The Windows layer of the base board and audio facts: the object walk and
// the property reading against objects of the test's own, and the real WMI
// and wave output of the system the test runs on.
#include <windows.h>
#include <wbemcli.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_wave_output.h"
#include "platform/win32/win32_wmi.h"

namespace tarnwick::win32 {
namespace {

template <typename Interface>
class FakeCom : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

VARIANT Variant(VARTYPE type) {
  VARIANT value;
  ::VariantInit(&value);
  value.vt = type;
  return value;
}
VARIANT Text(const std::wstring& text) {
  VARIANT value = Variant(VT_BSTR);
  value.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return value;
}

// An object that lists the names of its properties from a given lower bound
// and hands out copies of their values.
class FakeObject final : public FakeCom<IWbemClassObject> {
 public:
  struct Property {
    std::wstring name;
    VARIANT value;
    bool getFails = false;
  };
  ~FakeObject() {
    for (Property& property : properties) ::VariantClear(&property.value);
  }

  HRESULT namesStatus = S_OK;
  VARTYPE namesType = VT_BSTR;
  std::vector<Property> properties;
  std::vector<LONG> flagsSeen;  // of every call, GetNames first

  HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG flags, VARIANT*, SAFEARRAY** names) override {
    flagsSeen.push_back(flags);
    if (FAILED(namesStatus)) return namesStatus;
    SAFEARRAYBOUND bound{static_cast<ULONG>(properties.size()), 5};
    *names = ::SafeArrayCreate(namesType, 1, &bound);
    for (LONG i = 0; namesType == VT_BSTR && i < static_cast<LONG>(properties.size()); ++i) {
      LONG at = 5 + i;
      BSTR name = ::SysAllocString(properties[static_cast<std::size_t>(i)].name.c_str());
      ::SafeArrayPutElement(*names, &at, name);
      ::SysFreeString(name);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG flags, VARIANT* value, CIMTYPE*, LONG*) override {
    flagsSeen.push_back(flags);
    for (Property& property : properties) {
      if (property.name != name) continue;
      return property.getFails ? static_cast<HRESULT>(WBEM_E_FAILED) : ::VariantCopy(value, &property.value);
    }
    return WBEM_E_NOT_FOUND;
  }

  HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
};

// Hands out the given objects, then answers with endStatus.
class FakeEnumerator final : public FakeCom<IEnumWbemClassObject> {
 public:
  std::vector<FakeObject*> objects;
  HRESULT endStatus = WBEM_S_FALSE;
  std::vector<std::pair<LONG, ULONG>> calls;  // time-out and count asked

  HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** out, ULONG* returned) override {
    calls.emplace_back(timeout, count);
    if (calls.size() > objects.size()) {
      *returned = 0;
      return endStatus;
    }
    FakeObject* object = objects[calls.size() - 1];
    object->AddRef();
    *out = object;
    *returned = 1;
    return WBEM_S_NO_ERROR;
  }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }
};

TEST(ReadWmiObject, NameOrderTextsConvertedWholeAndNamesThatAreNoTexts) {
  FakeObject object;
  VARIANT i2 = Variant(VT_I2);
  i2.iVal = -3;
  VARIANT yes = Variant(VT_BOOL);
  yes.boolVal = VARIANT_TRUE;
  const std::wstring longName(300, L'n');
  object.properties = {{L"Product", Text(L"Cafe\u0301")}, {L"Depth", i2}, {L"PoweredOn", yes},
                       {L"Model", Variant(VT_NULL)},     {longName, Text(std::wstring(300, L't'))},
                       {L"Broken", Text(L"unread"), true}};
  const WmiObject read = ReadWmiObject(object);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 6u);
  const auto& p = *read;
  EXPECT_EQ(p[0].name, "Product");
  EXPECT_EQ(std::get<std::string>(p[0].value), "Caf\xE9");  // composed before conversion
  EXPECT_EQ(std::get<WmiI2>(p[1].value).value, -3);
  EXPECT_TRUE(std::get<bool>(p[2].value));
  EXPECT_TRUE(std::holds_alternative<WmiNull>(p[3].value));
  // The collector cuts names and texts; the layer hands them over whole.
  EXPECT_EQ(p[4].name, std::string(300, 'n'));
  EXPECT_EQ(std::get<std::string>(p[4].value), std::string(300, 't'));
  EXPECT_TRUE(std::holds_alternative<WmiNull>(p[5].value));  // its Get failed
  EXPECT_EQ(object.flagsSeen, (std::vector<LONG>{0x70, 0, 0, 0, 0, 0, 0}));

  object.namesStatus = WBEM_E_ACCESS_DENIED;
  EXPECT_EQ(ReadWmiObject(object).Status(), WBEM_E_ACCESS_DENIED);
  object.namesStatus = S_OK;
  object.namesType = VT_I4;  // copied out as names, these would overrun them
  EXPECT_EQ(ReadWmiObject(object).Status(), E_UNEXPECTED);
}

TEST(WalkWmiObjects, TenSecondsPerObjectAndATimeOutEndsTheWalk) {
  FakeObject first;
  FakeObject second;
  first.properties = {{L"Product", Text(L"A8V")}};
  second.namesStatus = WBEM_E_FAILED;
  for (const HRESULT end : {static_cast<HRESULT>(WBEM_S_TIMEDOUT), static_cast<HRESULT>(WBEM_S_FALSE),
                            static_cast<HRESULT>(WBEM_E_TRANSPORT_FAILURE)}) {
    FakeEnumerator objects;
    objects.objects = {&first, &second};
    objects.endStatus = end;
    WmiBoardQuery query;
    WalkWmiObjects(objects, query);
    EXPECT_EQ(query.walkEnd, end);
    ASSERT_EQ(query.objects.size(), 2u);
    EXPECT_EQ(std::get<std::string>((*query.objects[0])[0].value), "A8V");
    EXPECT_EQ(query.objects[1].Status(), WBEM_E_FAILED);
    EXPECT_EQ(objects.calls, (std::vector<std::pair<LONG, ULONG>>(3, {10000, 1})));
    EXPECT_EQ(first.references, 1u);
    EXPECT_EQ(second.references, 1u);
  }
}

// S_OK when the thread was in no apartment, S_FALSE when it was in the
// multithreaded one; the call is undone at once.
HRESULT ApartmentProbe() {
  const HRESULT status = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(status)) ::CoUninitialize();
  return status;
}

TEST(Win32Wmi, BaseBoardsOfThisSystemAndTheApartmentLeftAsFound) {
  Win32Wmi wmi;
  const WmiBoardQuery query = wmi.QueryBaseBoards();
  EXPECT_EQ(query.failure, WmiFailure::None) << std::hex << query.status;
  EXPECT_TRUE(query.resultSet);
  EXPECT_EQ(query.walkEnd, kWbemEndOfSet);
  ASSERT_FALSE(query.objects.empty());
  ASSERT_TRUE(query.objects[0]);
  bool manufacturer = false;
  for (const WmiProperty& property : *query.objects[0]) {
    manufacturer |= property.name == "Manufacturer" && std::holds_alternative<std::string>(property.value);
  }
  EXPECT_TRUE(manufacturer);
  EXPECT_EQ(ApartmentProbe(), S_OK);

  // In the multithreaded apartment CoInitialize fails, so nothing is undone.
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  (void)wmi.QueryBaseBoards();
  EXPECT_EQ(ApartmentProbe(), S_FALSE);
  ::CoUninitialize();
  EXPECT_EQ(ApartmentProbe(), S_OK);
}

TEST(Win32WaveOutput, NoDeviceWithoutAnAudioDriver) {
  // The test session runs Wine without an audio driver.
  Win32WaveOutput wave;
  EXPECT_EQ(wave.DeviceCount(), 0u);
  EXPECT_FALSE(wave.Capabilities(0));
}

}  // namespace
}  // namespace tarnwick::win32
