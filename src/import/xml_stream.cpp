#include "import/xml_stream.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstring>

namespace eiyou::import {
namespace {

// The stream and its handler travel in the parser context's user data.
struct ContextData {
  XmlStream* stream;
  XmlHandler* handler;
};

ContextData& DataOf(void* context) {
  return *static_cast<ContextData*>(static_cast<xmlParserCtxtPtr>(context)->_private);
}
XmlStream& Self(void* context) { return *DataOf(context).stream; }
XmlHandler* HandlerOf(void* context) { return DataOf(context).handler; }

void StartElement(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*, int,
                  const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
  HandlerOf(context)->StartElement(reinterpret_cast<const char*>(localName),
                                   XmlAttributes(attributes, attributeCount));
}

void EndElement(void* context, const xmlChar* localName, const xmlChar*, const xmlChar*) {
  HandlerOf(context)->EndElement(reinterpret_cast<const char*>(localName));
}

void Characters(void* context, const xmlChar* text, int length) {
  HandlerOf(context)->Text(std::string_view(reinterpret_cast<const char*>(text),
                                            static_cast<std::size_t>(length)));
}

void InternalSubset(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
  Self(context).OnDoctype();
}

// Never resolve an external entity or DTD, whatever the parser asks for.
xmlParserInputPtr ResolveEntity(void*, const xmlChar*, const xmlChar*) { return nullptr; }
xmlEntityPtr GetEntity(void*, const xmlChar*) { return nullptr; }

void StructuredError(void* context, xmlErrorPtr error) {
  if (error && error->level >= XML_ERR_ERROR)
    Self(context).OnError(error->line, error->message ? error->message : "");
}

struct Glue {
  xmlSAXHandler sax;
  Glue() {
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = StartElement;
    sax.endElementNs = EndElement;
    sax.characters = Characters;
    sax.cdataBlock = Characters;
    sax.internalSubset = InternalSubset;
    sax.resolveEntity = ResolveEntity;
    sax.getEntity = GetEntity;
    sax.getParameterEntity = GetEntity;
    sax.serror = StructuredError;
  }
};

const Glue& TheGlue() {
  static const Glue glue = [] {
    xmlInitParser();
    return Glue();
  }();
  return glue;
}

}  // namespace

std::string_view XmlAttributes::Get(std::string_view localName) const {
  for (int i = 0; i < count_; ++i) {
    const unsigned char* const* a = raw_ + 5 * i;
    if (localName == reinterpret_cast<const char*>(a[0]))
      return std::string_view(reinterpret_cast<const char*>(a[3]),
                              static_cast<std::size_t>(a[4] - a[3]));
  }
  return {};
}

bool XmlAttributes::Has(std::string_view localName) const {
  for (int i = 0; i < count_; ++i)
    if (localName == reinterpret_cast<const char*>(raw_[5 * i])) return true;
  return false;
}

XmlStream::XmlStream(XmlHandler& handler, std::string partName)
    : handler_(handler), partName_(std::move(partName)) {
  const Glue& glue = TheGlue();
  xmlParserCtxtPtr ctxt = xmlCreatePushParserCtxt(const_cast<xmlSAXHandler*>(&glue.sax), nullptr,
                                                  nullptr, 0, nullptr);
  if (!ctxt) {
    error_ = partName_ + " を読むための準備ができません（メモリ不足）";
    return;
  }
  // No network, no entity substitution, no DTD loading or defaulted attributes.
  xmlCtxtUseOptions(ctxt, XML_PARSE_NONET);
  ctxt->_private = new ContextData{this, &handler_};
  context_ = ctxt;
}

XmlStream::~XmlStream() {
  if (!context_) return;
  auto ctxt = static_cast<xmlParserCtxtPtr>(context_);
  delete static_cast<ContextData*>(ctxt->_private);
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
  xmlFreeParserCtxt(ctxt);
}

bool XmlStream::Feed(const char* data, std::size_t size, bool last) {
  if (!error_.empty() || !context_) return false;
  auto ctxt = static_cast<xmlParserCtxtPtr>(context_);
  // Pieces of at most 1 GiB, as the interface takes an int.
  do {
    const int piece = static_cast<int>(std::min<std::size_t>(size, std::size_t{1} << 30));
    const bool end = last && static_cast<std::size_t>(piece) == size;
    const int rc = xmlParseChunk(ctxt, data, piece, end ? 1 : 0);
    if (!error_.empty()) return false;
    if (rc != 0 || !ctxt->wellFormed) {
      if (error_.empty()) OnError(ctxt->input ? ctxt->input->line : 0, "");
      return false;
    }
    data += piece;
    size -= static_cast<std::size_t>(piece);
  } while (size > 0);
  return true;
}

void XmlStream::Stop(std::string reason) {
  if (error_.empty()) error_ = reason.empty() ? "stopped" : std::move(reason);
  if (context_) xmlStopParser(static_cast<xmlParserCtxtPtr>(context_));
}

void XmlStream::OnDoctype() {
  Stop("ブックの " + partName_ + " に文書型宣言（DTD）があるため読み込みません");
}

void XmlStream::OnError(int line, const char* message) {
  if (!error_.empty()) return;
  std::string text = message;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  error_ = "ブックの " + partName_ + " が壊れています（XML の誤り、" + std::to_string(line) + "行目" +
           (text.empty() ? "" : ": " + text) + "）";
  if (context_) xmlStopParser(static_cast<xmlParserCtxtPtr>(context_));
}

}  // namespace eiyou::import
