-- Sample data for a demonstration or test installation: one Israeli small business with its
-- customers, a supplier and its reference data, and the shared tables (banks, payment types,
-- currencies, VAT history). No documents. Written for the current schema.

-- ---------------------------------------------------------------------------------------------
-- The business

INSERT INTO BusinessDetails (iBusinessID, vcBusinessName, vcמספרעוסקמורשה)
VALUES (1, 'נגה שירותי מחשוב בע"מ', '514233766');

-- Numbers of the first document of each kind (the kind's object type, then 001).
INSERT INTO DocumentStartNumbers (iBusinessID, vcDocumentKind, iStartNumber) VALUES
    (1, 'Invoice',       1001),
    (1, 'Receipt',       2001),
    (1, 'InvoiceHiyuv',  6001),
    (1, 'InvoiceKabala', 7001),
    (1, 'InvoiceZikui',  9001),
    (1, 'Refund',       13001);

-- ---------------------------------------------------------------------------------------------
-- Customers (type 1) and a supplier (type 2)

INSERT INTO Customers (iCustomerNumber, vcBusinessName, vcעוסקמורשה, vcAddress1, vcAddress2,
    vcCity, vcPostalCode, vcContactFirstName, vcContactLastName, vcPhone1, vcPhone2, vcFax1,
    iCustomersTypesID, vcEMail, vcCreditCard, iExpMonth, iExpYear, vcComments, curOpenBalance,
    vcAccountNumber, vcBranch, iBanksID, iListNum, curCharge, vcCurrencySymbol, iPaymentTermsID,
    iPaymentDays, vcForeignKey, vcExtra1, vcExtra2, iBusinessID)
VALUES
    (1, 'מאפיית הגליל בע"מ', '513456780', 'רחוב הרצל 12', 'קומה 2', 'חיפה', '3303112',
     'יוסי', 'לוי', '04-8521234', '052-3456789', '04-8521235',
     1, 'office@galil-bakery.example', NULL, 0, 0, 'לקוח ותיק, משלם בהמחאות', 1500,
     '123456', '782', 12, 1, 0, '₪', 1,
     30, 'CUST-001', NULL, NULL, 1),
    (2, 'Blue Horizon Tech Ltd', '515678902', '7 Menachem Begin Rd', 'Floor 14', 'Tel Aviv',
     '6713801', 'Dana', 'Katz', '03-6091234', NULL, NULL,
     1, 'dana@bluehorizon.example', NULL, 0, 0, 'Monthly support contract, billed in dollars', 0,
     '445566', '800', 10, 3, 350, '$', 1,
     45, 'CUST-002', 'Contract 2025-07', NULL, 1),
    (3, 'דני כהן - הנדסת חשמל', '034567891', 'שדרות ירושלים 40', NULL, 'באר שבע', '8410501',
     'דני', 'כהן', '08-6271234', '050-1234567', NULL,
     1, 'dani.cohen@example.co.il', NULL, 0, 0, NULL, -250.5,
     NULL, NULL, NULL, 1, 0, '₪', 2,
     0, 'CUST-003', NULL, NULL, 1),
    (4, 'Levi & O''Neill Partners', '512987652', '3 Ha''Arba''a St', NULL, 'Tel Aviv', '6473903',
     'Michael', 'O''Neill', '03-5612345', NULL, '03-5612346',
     1, 'accounts@levi-oneill.example', NULL, 0, 0, 'Name with an ampersand and apostrophes', 0,
     NULL, NULL, NULL, 2, 0, '€', 1,
     60, 'CUST-004', NULL, NULL, 1),
    (5, 'משרדי הצפון - ציוד משרדי בע"מ', '558112231', 'רחוב העצמאות 5', NULL, 'נהריה', '2240105',
     'רונית', 'אברהם', '04-9912345', NULL, '04-9912346',
     2, 'orders@hatzafon-office.example', NULL, 0, 0, 'ספק ציוד משרדי', 0,
     '778899', '615', 20, NULL, 0, '₪', 1,
     30, 'SUPP-001', NULL, NULL, 1);

-- ---------------------------------------------------------------------------------------------
-- Reference data of the business. iPLCodesID: 1 sales, 2 expenses, 3 balance-sheet movements.

INSERT INTO TrxCodes (iBusinessID, iTrxCode, vcTrxCodeDescription, iPLCodesID) VALUES
    (1,  1, 'מכירות',                 1),
    (1,  2, 'קבלות',                  3),
    (1,  3, 'מכירות פטורות ממע"מ',    1),
    (1,  4, 'הכנסות משירותי ייעוץ',   1),
    (1, 10, 'הוצאות משרד',            2);

INSERT INTO Lists (iBusinessID, iListNum, fltProfit, vcComments) VALUES
    (1, 1, 30,   'מחירון רגיל'),
    (1, 2, 15,   'מחירון סיטונאי'),
    (1, 3, 22.5, 'Export price list');

INSERT INTO Items (iBusinessID, vcCatalogNumber, vcItemDescription, vcItemName) VALUES
    (1, 'SRV-100', 'שעת ייעוץ מחשוב', 'ייעוץ'),
    (1, 'SRV-200', 'התקנת תוכנה ושרתים', 'התקנה'),
    (1, 'HW-310',  'מחשב נייד 14" כולל אחריות לשנה', 'מחשב נייד'),
    (1, 'HW-420',  'Wireless mouse and keyboard set', 'Keyboard set'),
    (1, 'LIC-500', 'Annual software licence', 'Licence');

-- The date the balance tables below were computed to (dd/mm/yyyy): the day the file was made.
INSERT INTO sysSystemParameters (iBusinessID, vcParameterName, vcParameterValue)
VALUES (1, 'qryCustomerBalanceDate', strftime('%d/%m/%Y', 'now', 'localtime'));

-- ---------------------------------------------------------------------------------------------
-- Shared reference data

INSERT INTO Banks (iBanksID, vcBankName) VALUES
    (4,  'בנק יהב'),
    (9,  'בנק הדואר'),
    (10, 'בנק לאומי'),
    (11, 'בנק דיסקונט'),
    (12, 'בנק הפועלים'),
    (14, 'בנק אוצר החייל'),
    (17, 'בנק מרכנתיל דיסקונט'),
    (20, 'בנק מזרחי טפחות'),
    (31, 'הבנק הבינלאומי'),
    (54, 'בנק ירושלים');

INSERT INTO Payment_types (iPaymentTypesID, vcPaymentTypeName) VALUES
    (1, 'מזומן'),
    (2, 'המחאה'),
    (3, 'כרטיס אשראי'),
    (4, 'העברה בנקאית'),
    (5, 'הוראת קבע');

INSERT INTO Currencies (vcCode, vcCurrencySymbol, vcCurrencyName, curRate) VALUES
    ('NIS', '₪', 'שקל חדש',       1),
    ('USD', '$', 'דולר אמריקאי',  3.65),
    ('EUR', '€', 'אירו',          3.95),
    ('GBP', '£', 'לירה שטרלינג',  4.65);

INSERT INTO VATRates (fltVATRate, datStartDate) VALUES
    (17,   '2004-03-01 00:00:00'),
    (16.5, '2005-09-01 00:00:00'),
    (15.5, '2006-07-01 00:00:00'),
    (16.5, '2009-07-01 00:00:00'),
    (16,   '2010-01-01 00:00:00'),
    (17,   '2012-09-01 00:00:00'),
    (18,   '2013-06-02 00:00:00'),
    (17,   '2015-10-01 00:00:00'),
    (18,   '2025-01-01 00:00:00');

-- ---------------------------------------------------------------------------------------------
-- Customer balances as computed today (no documents yet: the opening balances).

INSERT INTO tblCustomerBalance (iCustomersID, iBusinessID, iCustomerNumber, vcBusinessName, curBalance)
    SELECT b.iCustomersID, b.iBusinessID, b.iCustomerNumber, b.vcBusinessName, b.curBalance
    FROM qryComputeCustomerBalance b JOIN Customers c ON c.iCustomersID = b.iCustomersID
    WHERE c.iCustomersTypesID IN (1, 3);

INSERT INTO tblCustomerBalanceIska (iCustomersID, iBusinessID, iCustomerNumber, vcBusinessName, curBalance)
    SELECT b.iCustomersID, b.iBusinessID, b.iCustomerNumber, b.vcBusinessName, b.curBalance
    FROM qryComputeCustomerBalanceHiyuv b JOIN Customers c ON c.iCustomersID = b.iCustomersID
    WHERE c.iCustomersTypesID IN (1, 3);
