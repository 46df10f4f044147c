// TimeBillItem: one time bill (time spent for a customer) as a caller describes it. A plain
// property bag; the library's operations do not consume it. Every property starts at 0 or the
// empty text.
#pragma once

#include <cstdint>
#include <string>

#include <KovrinAPI/runtime/Variant.h>

namespace kovrin {

class KOVRIN_API TimeBillItem : public Object {
public:
    int32_t CustomerID() const { return customerId_; }
    void CustomerID(int32_t v) { customerId_ = v; }
    Date StartDate() const { return startDate_; }
    void StartDate(Date v) { startDate_ = v; }
    Date EndDate() const { return endDate_; }
    void EndDate(Date v) { endDate_ = v; }
    Currency Rate() const { return rate_; }
    void Rate(Currency v) { rate_ = v; }
    std::string Description() const { return description_; }
    void Description(const std::string& v) { description_ = v; }
    std::string AppointmentID() const { return appointmentId_; }
    void AppointmentID(const std::string& v) { appointmentId_ = v; }
    // Kept as the number's decimal text: reading it before it was ever set converts the empty
    // text and fails with error 13 (type mismatch).
    int32_t InvoiceNumber() const { return CLng(Variant(invoiceNumber_)); }
    void InvoiceNumber(int32_t v) { invoiceNumber_ = std::to_string(v); }

private:
    int32_t customerId_ = 0;
    Date startDate_;
    Date endDate_;
    Currency rate_;
    std::string description_;
    std::string appointmentId_;
    std::string invoiceNumber_;
};

}  // namespace kovrin
