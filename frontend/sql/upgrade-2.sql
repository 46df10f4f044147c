-- The bookkeeping database, schema version 2: what the front-end program keeps, and the balance
-- queries rebuilt on one list of balance movements so that a balance can also be taken to a date.

-- How often each document has been printed: the first print is the original, every later one a
-- true copy. iObjectType is the document kind (1 invoice, 2 receipt, 6 Iska invoice,
-- 7 invoice-receipt, 9 credit invoice, 13 refund).
CREATE TABLE FrontEndPrints (
    iBusinessID             INTEGER NOT NULL,
    iObjectType             INTEGER NOT NULL,
    iDocumentNumber         INTEGER NOT NULL,
    iPrintCount             INTEGER NOT NULL DEFAULT 0,
    datLastPrinted          DATETIME,
    PRIMARY KEY (iBusinessID, iObjectType, iDocumentNumber)
);

-- Every document that moves a customer's balance, with its date and the amount it adds to what
-- the customer owes:
--   tax invoices            + grand total
--   credit invoices         - |grand total| (a credit lowers the balance whatever its sign)
--   invoice-receipts        + grand total - curTotal (the part not paid on the document)
--   receipts                - curTotal (payments plus tax withheld)
--   refunds                 + |curTotal| (money paid back, whatever the header's sign)
--   Iska (debit) invoices   + grand total, marked blnIska: they count only in the Iska balance
-- Cancelled invoices of every kind (iStatusID 3) do not move anything.
CREATE VIEW qryCustomerBalanceMovements AS
    SELECT iBusinessID, iCustomersID, datxDate, COALESCE(curGrandTotal, 0) AS curAmount, 0 AS blnIska
        FROM UsysInvoices WHERE COALESCE(iStatusID, 0) <> 3
    UNION ALL
    SELECT iBusinessID, iCustomersID, datxDate, -ABS(COALESCE(curGrandTotal, 0)), 0
        FROM InvoicesZikui WHERE COALESCE(iStatusID, 0) <> 3
    UNION ALL
    SELECT iBusinessID, iCustomersID, datxDate, COALESCE(curGrandTotal, 0) - COALESCE(curTotal, 0), 0
        FROM InvoicesKabala WHERE COALESCE(iStatusID, 0) <> 3
    UNION ALL
    SELECT iBusinessID, iCustomersID, datxDate, -COALESCE(curTotal, 0), 0 FROM UsysReceipts
    UNION ALL
    SELECT iBusinessID, iCustomersID, datxDate, ABS(COALESCE(curTotal, 0)), 0 FROM Refunds
    UNION ALL
    SELECT iBusinessID, iCustomersID, datxDate, COALESCE(curGrandTotal, 0), 1
        FROM InvoiceHiyuv WHERE COALESCE(iStatusID, 0) <> 3;

DROP VIEW qryComputeCustomerBalanceHiyuv;
DROP VIEW qryComputeCustomerBalance;

-- All documents to date; the same rows and values as version 1 gave.
CREATE VIEW qryComputeCustomerBalance AS
    SELECT c.iCustomersID, c.iBusinessID, c.iCustomerNumber, c.vcBusinessName,
        ROUND(COALESCE(c.curOpenBalance, 0)
            + (SELECT COALESCE(SUM(m.curAmount), 0) FROM qryCustomerBalanceMovements m
               WHERE m.iBusinessID = c.iBusinessID AND m.iCustomersID = c.iCustomersID
                 AND m.blnIska = 0),
            4) AS curBalance
    FROM Customers c;

CREATE VIEW qryComputeCustomerBalanceHiyuv AS
    SELECT c.iCustomersID, c.iBusinessID, c.iCustomerNumber, c.vcBusinessName,
        ROUND(COALESCE(c.curOpenBalance, 0)
            + (SELECT COALESCE(SUM(m.curAmount), 0) FROM qryCustomerBalanceMovements m
               WHERE m.iBusinessID = c.iBusinessID AND m.iCustomersID = c.iCustomersID),
            4) AS curBalance
    FROM Customers c;
