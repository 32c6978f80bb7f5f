// GStreamer calls the elements' virtual methods from C, and no C++ exception
// may unwind through GLib's frames. The elements' own code throws only when
// C++ memory runs out (std::bad_alloc) or the AVI writer fails, and handles
// what it expects; guarded<method, failure> is the method with anything else
// turned into an element error and the method's failure value.
#pragma once

#include <gst/gst.h>

#include <exception>
#include <new>

template <auto Method, auto Failure, typename Element, typename... Arguments>
auto guarded(Element* element, Arguments... arguments) noexcept -> decltype(Method(element, arguments...)) {
    try {
        return Method(element, arguments...);
    } catch (const std::bad_alloc&) {
        GST_ELEMENT_ERROR(element, RESOURCE, NO_SPACE_LEFT, ("not enough memory"), (nullptr));
    } catch (const std::exception& error) {
        GST_ELEMENT_ERROR(element, CORE, FAILED, ("%s", error.what()), (nullptr));
    }
    return Failure;
}
