-- The bookkeeping database, schema version 3: the next-number queries read the business's largest
-- number from the UNIQUE (iBusinessID, number) index, so the next number costs the same among a
-- million documents as among ten. Before, MAX(...) GROUP BY iBusinessID walked every document of
-- the business on each call.
--
-- Same names, columns and rows as before: one row per business that has a document of the kind
-- (its largest number + 1), none for a business without one. The row is the business's document
-- with the largest number; "WHERE iBusinessID=n" makes both lookups index searches.

DROP VIEW apiGetNextNumberInvoice;
CREATE VIEW apiGetNextNumberInvoice AS
    SELECT d.iBusinessID, d.iInvoiceNumber + 1 AS iInvoiceNum
    FROM UsysInvoices d
    WHERE d.iInvoiceNumber = (SELECT MAX(m.iInvoiceNumber) FROM UsysInvoices m WHERE m.iBusinessID = d.iBusinessID);

DROP VIEW apiGetNextNumberInvoiceHiyuv;
CREATE VIEW apiGetNextNumberInvoiceHiyuv AS
    SELECT d.iBusinessID, d.iInvoiceNumber + 1 AS iInvoiceNum
    FROM InvoiceHiyuv d
    WHERE d.iInvoiceNumber = (SELECT MAX(m.iInvoiceNumber) FROM InvoiceHiyuv m WHERE m.iBusinessID = d.iBusinessID);

DROP VIEW apiGetNextNumberInvoiceKabala;
CREATE VIEW apiGetNextNumberInvoiceKabala AS
    SELECT d.iBusinessID, d.iInvoiceNumber + 1 AS iInvoiceNum
    FROM InvoicesKabala d
    WHERE d.iInvoiceNumber = (SELECT MAX(m.iInvoiceNumber) FROM InvoicesKabala m WHERE m.iBusinessID = d.iBusinessID);

DROP VIEW apiGetNextNumberInvoiceZikui;
CREATE VIEW apiGetNextNumberInvoiceZikui AS
    SELECT d.iBusinessID, d.iInvoiceNumber + 1 AS iInvoiceNum
    FROM InvoicesZikui d
    WHERE d.iInvoiceNumber = (SELECT MAX(m.iInvoiceNumber) FROM InvoicesZikui m WHERE m.iBusinessID = d.iBusinessID);

DROP VIEW apiGetNextNumberReceipt;
CREATE VIEW apiGetNextNumberReceipt AS
    SELECT d.iBusinessID, d.iReceiptNumber + 1 AS iReceiptNum
    FROM UsysReceipts d
    WHERE d.iReceiptNumber = (SELECT MAX(m.iReceiptNumber) FROM UsysReceipts m WHERE m.iBusinessID = d.iBusinessID);

DROP VIEW apiGetNextNumberRefund;
CREATE VIEW apiGetNextNumberRefund AS
    SELECT d.iBusinessID, d.iReceiptNumber + 1 AS iReceiptNum
    FROM Refunds d
    WHERE d.iReceiptNumber = (SELECT MAX(m.iReceiptNumber) FROM Refunds m WHERE m.iBusinessID = d.iBusinessID);
