#pragma once
// MSXML 3 through COM: the DOM document and the server-side HTTP request, with every failed call
// raised as the component's own number and text.
#include <windows.h>
#include <msxml2.h>

#include <cstdint>
#include <string>

#include "base/Handles.h"

namespace kv::msxml {

// MinGW has no import library for these ids, so they are defined here (values of the platform).
inline constexpr CLSID kClsidDomDocument30 = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
inline constexpr CLSID kClsidServerXmlHttp30 = {0xAFB40FFD, 0xB609, 0x40A3, {0x98, 0x28, 0xF8, 0x8B, 0xBE, 0x11, 0xE4, 0xE3}};
inline constexpr IID kIidXmlDomDocument = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
inline constexpr IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
inline constexpr IID kIidServerXmlHttpRequest = {0x2E9196BF, 0x13BA, 0x4DD4, {0x91, 0xCA, 0x6C, 0x57, 0x1F, 0x28, 0x14, 0x95}};

// New instances; 429 when the component is not installed.
ComPtr<IXMLDOMDocument2> CreateDomDocument();
ComPtr<IServerXMLHTTPRequest> CreateServerXmlHttp();

// A text into an empty variant.
void AssignText(VARIANT* variant, const std::wstring& text);

// Raises a failed HRESULT with the component's error text when it left one.
void Check(HRESULT hr);

std::wstring NodeName(IXMLDOMNode* node);
std::wstring NodeText(IXMLDOMNode* node);
bool HasChildNodes(IXMLDOMNode* node);
ComPtr<IXMLDOMNodeList> ChildNodes(IXMLDOMNode* node);
long Length(IXMLDOMNodeList* list);
ComPtr<IXMLDOMNode> Item(IXMLDOMNodeList* list, long index);

// Calls visit(name, text) for each attribute of the node, in the element's order.
template <class Visit>
void ForEachAttribute(IXMLDOMNode* node, Visit&& visit) {
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  Check(node->get_attributes(attributes.put()));
  if (!attributes) return;
  long count = 0;
  Check(attributes->get_length(&count));
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> attribute;
    Check(attributes->get_item(i, attribute.put()));
    visit(NodeName(attribute.get()), NodeText(attribute.get()));
  }
}

ComPtr<IXMLDOMElement> CreateElement(IXMLDOMDocument* document, const wchar_t* name);
void AppendChild(IXMLDOMNode* parent, IXMLDOMNode* child);
void AppendText(IXMLDOMDocument* document, IXMLDOMNode* parent, const wchar_t* text);
// Numbers go in as integers of their width; the component writes their text.
void SetAttribute(IXMLDOMElement* element, const wchar_t* name, const std::wstring& value);
void SetAttribute(IXMLDOMElement* element, const wchar_t* name, std::int32_t value);
void SetAttribute(IXMLDOMElement* element, const wchar_t* name, std::int16_t value);

}  // namespace kv::msxml
