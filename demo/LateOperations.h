// Operations of the library that a build may not carry yet (XML input, document retrieval, the
// customer XML). Each is called when the library has it; otherwise the demo says the operation is
// not available in this build instead of failing to compile.
#pragma once

#include "DemoUtils.h"

#include <KovrinAPI/Kovrin.h>

namespace demo {

constexpr int32_t kNotAvailable = 445;  // "Object doesn't support this action"

[[noreturn]] inline void NotAvailable(const char* operation) {
    throw kovrin::Error(kNotAvailable, std::string(operation) + ": not available in this build (אינה זמינה בגרסה זו)",
                        "KovrinAPIDemo32");
}

#define DEMO_LATE_XML_CREATE(Name)                                                        \
    template <class K = kovrin::Kovrin>                                                   \
    int32_t Call##Name(K& k, const std::string& xml) {                                    \
        if constexpr (requires { k.Name(xml); }) {                                        \
            if constexpr (requires { kovrin::CLng(k.Name(xml)); }) return kovrin::CLng(k.Name(xml)); \
            else return static_cast<int32_t>(k.Name(xml));                                \
        } else                                                                            \
            NotAvailable(#Name);                                                          \
    }
DEMO_LATE_XML_CREATE(CreateInvoiceXML)
DEMO_LATE_XML_CREATE(CreateInvoiceZikuiXML)
DEMO_LATE_XML_CREATE(CreateInvoiceKabalaXML)
DEMO_LATE_XML_CREATE(CreateReceiptXML)
DEMO_LATE_XML_CREATE(CreateRefundXML)
#undef DEMO_LATE_XML_CREATE

template <class T>
std::string AsText(const T& v) {
    if constexpr (std::is_convertible_v<T, std::string>) return std::string(v);
    else return kovrin::CStr(v);
}

template <class K = kovrin::Kovrin>
std::string CallGetCustomersXML(K& k) {
    if constexpr (requires { k.GetCustomersXML(); }) return AsText(k.GetCustomersXML());
    else NotAvailable("GetCustomersXML");
}
template <class K = kovrin::Kovrin>
std::string CallGetCustomerByForeignKeyXML(K& k, const std::string& key) {
    if constexpr (requires { k.GetCustomerByForeignKeyXML(key); }) return AsText(k.GetCustomerByForeignKeyXML(key));
    else NotAvailable("GetCustomerByForeignKeyXML");
}
template <class K = kovrin::Kovrin>
std::string CallGetInvoicesByQueryXML(K& k, int32_t number) {
    if constexpr (requires { k.GetInvoicesByQueryXML(number); }) return AsText(k.GetInvoicesByQueryXML(number));
    else NotAvailable("GetInvoicesByQueryXML");
}
template <class K = kovrin::Kovrin>
kovrin::Variant CallGetInvoiceByNumber(K& k, int32_t number) {
    if constexpr (requires { k.GetInvoiceByNumber(number); }) return kovrin::Variant(k.GetInvoiceByNumber(number));
    else NotAvailable("GetInvoiceByNumber");
}
template <class K = kovrin::Kovrin>
kovrin::Variant CallGetInvoices(K& k) {
    if constexpr (requires { k.GetInvoices(); }) return kovrin::Variant(k.GetInvoices());
    else NotAvailable("GetInvoices");
}
template <class K = kovrin::Kovrin>
kovrin::Variant CallGetInvoiceKabalaByNumber(K& k, int32_t number) {
    if constexpr (requires { k.GetInvoiceKabalaByNumber(number); })
        return kovrin::Variant(k.GetInvoiceKabalaByNumber(number));
    else NotAvailable("GetInvoiceKabalaByNumber");
}
template <class K = kovrin::Kovrin>
kovrin::Variant CallGetInvoicesKabala(K& k) {
    if constexpr (requires { k.GetInvoicesKabala(); }) return kovrin::Variant(k.GetInvoicesKabala());
    else NotAvailable("GetInvoicesKabala");
}

}  // namespace demo
