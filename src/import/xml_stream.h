// A streaming XML reader over libxml2's SAX2 push parser, fed a piece at a
// time, with what a workbook from anywhere needs: no DTD at all (a document
// type declaration stops the parse, so no entity is ever declared, expanded
// or loaded from a file or the network) and libxml2's own limits on names,
// text nodes and nesting left on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace eiyou::import {

// The attributes of one element, as libxml2 hands them over.
class XmlAttributes {
 public:
  XmlAttributes(const unsigned char** raw, int count) : raw_(raw), count_(count) {}
  // The value of the attribute of this local name (any namespace); empty if absent.
  std::string_view Get(std::string_view localName) const;
  bool Has(std::string_view localName) const;

 private:
  const unsigned char** raw_;  // per attribute: local name, prefix, URI, value, value end
  int count_;
};

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void StartElement(std::string_view localName, const XmlAttributes& attributes) = 0;
  virtual void EndElement(std::string_view localName) = 0;
  virtual void Text(std::string_view text) = 0;
};

class XmlStream {
 public:
  // `partName` names the part in messages.
  XmlStream(XmlHandler& handler, std::string partName);
  ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Feeds the next piece; `last` ends the document. False once the document is
  // found broken, hostile or stopped: Error() then says why.
  bool Feed(const char* data, std::size_t size, bool last);

  // Ends the parse from inside a handler; `reason` becomes Error().
  void Stop(std::string reason);

  const std::string& Error() const { return error_; }

  // libxml2's callbacks, public for the C glue only.
  void OnDoctype();
  void OnError(int line, const char* message);

 private:
  XmlHandler& handler_;
  std::string partName_;
  std::string error_;
  void* context_ = nullptr;  // xmlParserCtxtPtr
};

}  // namespace eiyou::import
