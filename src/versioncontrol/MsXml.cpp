#include "versioncontrol/MsXml.h"

#include "base/RuntimeError.h"

namespace kv::msxml {
namespace {

template <class I>
ComPtr<I> Create(REFCLSID clsid, REFIID iid) {
  ComPtr<I> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.put_void()))) {
    Raise(err::CannotCreateObject);
  }
  return object;
}

}  // namespace

ComPtr<IXMLDOMDocument2> CreateDomDocument() {
  return Create<IXMLDOMDocument2>(kClsidDomDocument30, kIidXmlDomDocument2);
}

ComPtr<IServerXMLHTTPRequest> CreateServerXmlHttp() {
  return Create<IServerXMLHTTPRequest>(kClsidServerXmlHttp30, kIidServerXmlHttpRequest);
}

void AssignText(VARIANT* variant, const std::wstring& text) {
  variant->vt = VT_BSTR;
  variant->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void Check(HRESULT hr) {
  if (SUCCEEDED(hr)) return;
  std::wstring text;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    UniqueBstr description;
    if (SUCCEEDED(info->GetDescription(description.put()))) text = description.str();
  }
  throw RuntimeError::FromHresult(hr, text);
}

std::wstring NodeName(IXMLDOMNode* node) {
  UniqueBstr name;
  Check(node->get_nodeName(name.put()));
  return name.str();
}

std::wstring NodeText(IXMLDOMNode* node) {
  UniqueBstr text;
  Check(node->get_text(text.put()));
  return text.str();
}

bool HasChildNodes(IXMLDOMNode* node) {
  VARIANT_BOOL has = VARIANT_FALSE;
  Check(node->hasChildNodes(&has));
  return has != VARIANT_FALSE;
}

ComPtr<IXMLDOMNodeList> ChildNodes(IXMLDOMNode* node) {
  ComPtr<IXMLDOMNodeList> children;
  Check(node->get_childNodes(children.put()));
  return children;
}

long Length(IXMLDOMNodeList* list) {
  long length = 0;
  Check(list->get_length(&length));
  return length;
}

ComPtr<IXMLDOMNode> Item(IXMLDOMNodeList* list, long index) {
  ComPtr<IXMLDOMNode> node;
  Check(list->get_item(index, node.put()));
  return node;
}

ComPtr<IXMLDOMElement> CreateElement(IXMLDOMDocument* document, const wchar_t* name) {
  ComPtr<IXMLDOMElement> element;
  const UniqueBstr tag(name);
  Check(document->createElement(tag.get(), element.put()));
  return element;
}

void AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child) {
  ComPtr<IXMLDOMNode> appended;
  Check(parent->appendChild(child, appended.put()));
}

void AppendText(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* text) {
  ComPtr<IXMLDOMText> node;
  const UniqueBstr data(text);
  Check(document->createTextNode(data.get(), node.put()));
  AppendChild(parent, node.get());
}

namespace {

void SetAttributeVariant(IXMLDOMElement* element, const wchar_t* name, const VARIANT& value) {
  const UniqueBstr attribute(name);
  Check(element->setAttribute(attribute.get(), value));
}

}  // namespace

void SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value) {
  UniqueVariant v;
  AssignText(v.get(), value);
  SetAttributeVariant(element, name, *v.get());
}

void SetAttribute(IXMLDOMElement* element, const wchar_t* name, std::int32_t value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  SetAttributeVariant(element, name, v);
}

void SetAttribute(IXMLDOMElement* element, const wchar_t* name, std::int16_t value) {
  VARIANT v;
  v.vt = VT_I2;
  v.iVal = value;
  SetAttributeVariant(element, name, v);
}

}  // namespace kv::msxml
