-- The bookkeeping database, schema version 1: the saved queries (views). Never edited after
-- release; see schema.sql.

-- ---------------------------------------------------------------------------------------------
-- Document numbering. Each kind has two queries, read with "WHERE iBusinessID=n":
--   apiGetNextNumber<Kind>   the business's largest number + 1; no row while it has no document
--                            of that kind.
--   apiGetStartNumber<Kind>  the number the business's first document of that kind gets: its
--                            DocumentStartNumbers row, else 1. One row for every business of
--                            BusinessDetails, so a business that exists always gets a number.
-- Invoice kinds give the number as iInvoiceNum, receipts and refunds as iReceiptNum.

CREATE VIEW apiGetNextNumberInvoice AS
    SELECT iBusinessID, MAX(iInvoiceNumber) + 1 AS iInvoiceNum
    FROM UsysInvoices GROUP BY iBusinessID;

CREATE VIEW apiGetNextNumberInvoiceHiyuv AS
    SELECT iBusinessID, MAX(iInvoiceNumber) + 1 AS iInvoiceNum
    FROM InvoiceHiyuv GROUP BY iBusinessID;

CREATE VIEW apiGetNextNumberInvoiceKabala AS
    SELECT iBusinessID, MAX(iInvoiceNumber) + 1 AS iInvoiceNum
    FROM InvoicesKabala GROUP BY iBusinessID;

CREATE VIEW apiGetNextNumberInvoiceZikui AS
    SELECT iBusinessID, MAX(iInvoiceNumber) + 1 AS iInvoiceNum
    FROM InvoicesZikui GROUP BY iBusinessID;

CREATE VIEW apiGetNextNumberReceipt AS
    SELECT iBusinessID, MAX(iReceiptNumber) + 1 AS iReceiptNum
    FROM UsysReceipts GROUP BY iBusinessID;

CREATE VIEW apiGetNextNumberRefund AS
    SELECT iBusinessID, MAX(iReceiptNumber) + 1 AS iReceiptNum
    FROM Refunds GROUP BY iBusinessID;

CREATE VIEW apiGetStartNumberInvoice AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iInvoiceNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'Invoice';

CREATE VIEW apiGetStartNumberInvoiceHiyuv AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iInvoiceNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'InvoiceHiyuv';

CREATE VIEW apiGetStartNumberInvoiceKabala AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iInvoiceNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'InvoiceKabala';

CREATE VIEW apiGetStartNumberInvoiceZikui AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iInvoiceNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'InvoiceZikui';

CREATE VIEW apiGetStartNumberReceipt AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iReceiptNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'Receipt';

CREATE VIEW apiGetStartNumberRefund AS
    SELECT b.iBusinessID, COALESCE(s.iStartNumber, 1) AS iReceiptNum
    FROM BusinessDetails b LEFT JOIN DocumentStartNumbers s
        ON s.iBusinessID = b.iBusinessID AND s.vcDocumentKind = 'Refund';

-- ---------------------------------------------------------------------------------------------
-- Customer balances, read with "WHERE iCustomersID=n": one row per customer or supplier, with
-- curBalance = what the customer owes today:
--     opening balance
--   + tax invoices (grand total)
--   - credit invoices (grand total, whatever sign the document was written with)
--   + invoice-receipts (grand total less what was paid on them, tax withheld included)
--   - receipts (payments plus tax withheld)
--   + refunds (money paid back, whatever sign the header was written with)
-- Cancelled invoices (iStatusID 3) do not count. qryComputeCustomerBalanceHiyuv also adds the
-- debit ("Iska") invoices. The front-end's balance refresh copies these into tblCustomerBalance
-- and tblCustomerBalanceIska.

CREATE VIEW qryComputeCustomerBalance AS
    SELECT c.iCustomersID, c.iBusinessID, c.iCustomerNumber, c.vcBusinessName,
        ROUND(COALESCE(c.curOpenBalance, 0)
            + (SELECT COALESCE(SUM(d.curGrandTotal), 0) FROM UsysInvoices d
               WHERE d.iBusinessID = c.iBusinessID AND d.iCustomersID = c.iCustomersID
                 AND COALESCE(d.iStatusID, 0) <> 3)
            - (SELECT COALESCE(SUM(ABS(d.curGrandTotal)), 0) FROM InvoicesZikui d
               WHERE d.iBusinessID = c.iBusinessID AND d.iCustomersID = c.iCustomersID
                 AND COALESCE(d.iStatusID, 0) <> 3)
            + (SELECT COALESCE(SUM(COALESCE(d.curGrandTotal, 0) - COALESCE(d.curTotal, 0)), 0)
               FROM InvoicesKabala d
               WHERE d.iBusinessID = c.iBusinessID AND d.iCustomersID = c.iCustomersID
                 AND COALESCE(d.iStatusID, 0) <> 3)
            - (SELECT COALESCE(SUM(d.curTotal), 0) FROM UsysReceipts d
               WHERE d.iBusinessID = c.iBusinessID AND d.iCustomersID = c.iCustomersID)
            + (SELECT COALESCE(SUM(ABS(d.curTotal)), 0) FROM Refunds d
               WHERE d.iBusinessID = c.iBusinessID AND d.iCustomersID = c.iCustomersID),
            4) AS curBalance
    FROM Customers c;

CREATE VIEW qryComputeCustomerBalanceHiyuv AS
    SELECT b.iCustomersID, b.iBusinessID, b.iCustomerNumber, b.vcBusinessName,
        ROUND(b.curBalance
            + (SELECT COALESCE(SUM(d.curGrandTotal), 0) FROM InvoiceHiyuv d
               WHERE d.iBusinessID = b.iBusinessID AND d.iCustomersID = b.iCustomersID
                 AND COALESCE(d.iStatusID, 0) <> 3),
            4) AS curBalance
    FROM qryComputeCustomerBalance b;
