-- The bookkeeping database, schema version 1: the tables and their indexes.
--
-- This file is version 1 as released and is never edited afterwards: a later version adds
-- upgrade-N.sql, and a new file is made by running this file, queries.sql and then every upgrade
-- step, so a new file and an upgraded old file always end with the same schema.
--
-- Declared types tell the database layer which value type a column gives back:
--   INTEGER whole number (32-bit)      SMALLINT 16-bit whole number     DOUBLE double
--   CURRENCY money (4 decimals)        DATETIME date-time, stored as 'YYYY-MM-DD HH:MM:SS'
--   BOOLEAN flag (0 false, 1 or -1 true)                                VARCHAR(n) / TEXT text
-- Row keys are INTEGER PRIMARY KEY AUTOINCREMENT: assigned by the database and never reused.
-- Every row carries the business it belongs to (iBusinessID), except in the four tables shared by
-- all businesses: Banks, Payment_types, Currencies and VATRates.
-- Columns stay nullable unless a value is always written: the library reads NULL as 0 or empty
-- text where it expects one, and reports a conversion error where it does not.

-- ---------------------------------------------------------------------------------------------
-- Businesses and the error table

CREATE TABLE BusinessDetails (
    iBusinessID             INTEGER PRIMARY KEY,   -- the business number, chosen, not assigned
    vcBusinessName          VARCHAR(50),
    vcמספרעוסקמורשה         VARCHAR(9)             -- licensed-dealer (VAT) number
);

CREATE TABLE Errors (
    iErrorsID               INTEGER PRIMARY KEY AUTOINCREMENT,
    vcErrorDescription      VARCHAR(255),
    iBusinessID             INTEGER NOT NULL,
    datErrorDate            DATETIME DEFAULT (datetime('now', 'localtime'))
);
CREATE INDEX ixErrorsBusiness ON Errors (iBusinessID);

-- ---------------------------------------------------------------------------------------------
-- Customers and suppliers (iCustomersTypesID 1 or 3 customer, 2 or 4 supplier)

CREATE TABLE Customers (
    iCustomersID            INTEGER PRIMARY KEY AUTOINCREMENT,
    iCustomerNumber         INTEGER,               -- not unique: a caller may give any number
    vcBusinessName          VARCHAR(50),
    vcעוסקמורשה             VARCHAR(9),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactFirstName      VARCHAR(25),
    vcContactLastName       VARCHAR(25),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    iCustomersTypesID       INTEGER,
    vcEMail                 VARCHAR(50),
    vcCreditCard            VARCHAR(50),
    iExpMonth               INTEGER,
    iExpYear                INTEGER,
    vcComments              VARCHAR(255),
    curOpenBalance          CURRENCY,              -- opening balance: what the customer owes
    vcAccountNumber         VARCHAR(50),
    vcBranch                VARCHAR(50),
    iBanksID                INTEGER,
    iListNum                INTEGER,               -- price list number (Lists.iListNum)
    curCharge               CURRENCY,              -- standing charge, in vcCurrencySymbol
    vcCurrencySymbol        VARCHAR(5),
    iPaymentTermsID         INTEGER,               -- 1 net, 2 cash
    iPaymentDays            INTEGER,
    vcForeignKey            VARCHAR(50),           -- the caller's own key; not unique
    vcExtra1                VARCHAR(255),
    vcExtra2                TEXT,
    iBusinessID             INTEGER NOT NULL
);
CREATE INDEX ixCustomersForeignKey ON Customers (iBusinessID, vcForeignKey);
CREATE INDEX ixCustomersType ON Customers (iBusinessID, iCustomersTypesID);
CREATE INDEX ixCustomersNumber ON Customers (iBusinessID, iCustomerNumber);

-- Balances as the front-end's balance refresh last computed them (to the date held in the system
-- parameter qryCustomerBalanceDate); the Iska table counts debit ("Hiyuv") invoices too.
CREATE TABLE tblCustomerBalance (
    iCustomersID            INTEGER PRIMARY KEY,
    iBusinessID             INTEGER NOT NULL,
    iCustomerNumber         INTEGER,
    vcBusinessName          VARCHAR(50),
    curBalance              CURRENCY
);
CREATE INDEX ixCustomerBalanceName ON tblCustomerBalance (iBusinessID, vcBusinessName);

CREATE TABLE tblCustomerBalanceIska (
    iCustomersID            INTEGER PRIMARY KEY,
    iBusinessID             INTEGER NOT NULL,
    iCustomerNumber         INTEGER,
    vcBusinessName          VARCHAR(50),
    curBalance              CURRENCY
);
CREATE INDEX ixCustomerBalanceIskaName ON tblCustomerBalanceIska (iBusinessID, vcBusinessName);

-- ---------------------------------------------------------------------------------------------
-- Invoice documents. The four header tables share one column set: tax invoices (UsysInvoices),
-- debit or "Iska" invoices (InvoiceHiyuv), invoice-receipts (InvoicesKabala, with three payment
-- totals more) and credit invoices (InvoicesZikui). A number is unique within its business.
-- iStatusID: 0 open, 2 locked, 3 cancelled (kept by the front-end).

CREATE TABLE UsysInvoices (
    iInvoicesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoiceNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(30),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcComments              VARCHAR(255),
    vcDetails               VARCHAR(255),
    curTotal1               CURRENCY,
    fltRebatePrcnt          DOUBLE,
    curRebateAmount         CURRENCY,
    blnRebateRound          BOOLEAN DEFAULT 0,
    curRebateRoundAmount    CURRENCY,
    curTotalBeforeVat       CURRENCY,
    curTotalNoVat           CURRENCY,
    curVat                  CURRENCY,
    curGrandTotal           CURRENCY,
    blnChargeVat            BOOLEAN DEFAULT 0,
    iTrxCodesID             INTEGER,
    iInvoiceType            INTEGER,
    datDueDate              DATETIME,
    vcCustomerOsekMorshe    VARCHAR(9),
    iStatusID               SMALLINT DEFAULT 0,
    iCasesID                INTEGER,
    iReceiptNumber          VARCHAR(255),          -- numbers of the receipts that paid it, as text
    UNIQUE (iBusinessID, iInvoiceNumber)
);
CREATE INDEX ixUsysInvoicesCustomer ON UsysInvoices (iBusinessID, iCustomersID);

CREATE TABLE InvoiceHiyuv (
    iInvoicesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoiceNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(30),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcComments              VARCHAR(255),
    vcDetails               VARCHAR(255),
    curTotal1               CURRENCY,
    fltRebatePrcnt          DOUBLE,
    curRebateAmount         CURRENCY,
    blnRebateRound          BOOLEAN DEFAULT 0,
    curRebateRoundAmount    CURRENCY,
    curTotalBeforeVat       CURRENCY,
    curTotalNoVat           CURRENCY,
    curVat                  CURRENCY,
    curGrandTotal           CURRENCY,
    blnChargeVat            BOOLEAN DEFAULT 0,
    iTrxCodesID             INTEGER,
    iInvoiceType            INTEGER,
    datDueDate              DATETIME,
    vcCustomerOsekMorshe    VARCHAR(9),
    iStatusID               SMALLINT DEFAULT 0,
    iCasesID                INTEGER,
    iReceiptNumber          VARCHAR(255),
    UNIQUE (iBusinessID, iInvoiceNumber)
);
CREATE INDEX ixInvoiceHiyuvCustomer ON InvoiceHiyuv (iBusinessID, iCustomersID);

CREATE TABLE InvoicesKabala (
    iInvoicesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoiceNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(30),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcComments              VARCHAR(255),
    vcDetails               VARCHAR(255),
    curTotal1               CURRENCY,
    fltRebatePrcnt          DOUBLE,
    curRebateAmount         CURRENCY,
    blnRebateRound          BOOLEAN DEFAULT 0,
    curRebateRoundAmount    CURRENCY,
    curTotalBeforeVat       CURRENCY,
    curTotalNoVat           CURRENCY,
    curVat                  CURRENCY,
    curGrandTotal           CURRENCY,
    blnChargeVat            BOOLEAN DEFAULT 0,
    iTrxCodesID             INTEGER,
    iInvoiceType            INTEGER,
    datDueDate              DATETIME,
    vcCustomerOsekMorshe    VARCHAR(9),
    iStatusID               SMALLINT DEFAULT 0,
    iCasesID                INTEGER,
    iReceiptNumber          VARCHAR(255),
    curTotal                CURRENCY DEFAULT 0,    -- payments plus tax withheld
    curTax                  CURRENCY DEFAULT 0,    -- tax withheld at source
    curNetPmt               CURRENCY DEFAULT 0,    -- sum of the payment lines
    UNIQUE (iBusinessID, iInvoiceNumber)
);
CREATE INDEX ixInvoicesKabalaCustomer ON InvoicesKabala (iBusinessID, iCustomersID);

CREATE TABLE InvoicesZikui (
    iInvoicesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoiceNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(30),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcComments              VARCHAR(255),
    vcDetails               VARCHAR(255),
    curTotal1               CURRENCY,
    fltRebatePrcnt          DOUBLE,
    curRebateAmount         CURRENCY,
    blnRebateRound          BOOLEAN DEFAULT 0,
    curRebateRoundAmount    CURRENCY,
    curTotalBeforeVat       CURRENCY,
    curTotalNoVat           CURRENCY,
    curVat                  CURRENCY,
    curGrandTotal           CURRENCY,
    blnChargeVat            BOOLEAN DEFAULT 0,
    iTrxCodesID             INTEGER,
    iInvoiceType            INTEGER,
    datDueDate              DATETIME,
    vcCustomerOsekMorshe    VARCHAR(9),
    iStatusID               SMALLINT DEFAULT 0,
    iCasesID                INTEGER,
    iReceiptNumber          VARCHAR(255),
    UNIQUE (iBusinessID, iInvoiceNumber)
);
CREATE INDEX ixInvoicesZikuiCustomer ON InvoicesZikui (iBusinessID, iCustomersID);

-- Goods lines, one table per header table; iInvoicesID is the header's key.
-- blnChargeVAT is stored as -1 (true) or 0.

CREATE TABLE InvoiceLines (
    iInvoiceLinesID         INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoicesID             INTEGER NOT NULL,
    iItemsID                INTEGER,
    vcItemDescription       VARCHAR(255),
    blnChargeVAT            BOOLEAN,
    iItemQty                DOUBLE,
    curUnitPrice            CURRENCY,
    curExtendedPrice        CURRENCY,
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    curLineVat              CURRENCY
);
CREATE INDEX ixInvoiceLinesHeader ON InvoiceLines (iInvoicesID);

CREATE TABLE InvoiceHiyuvLines (
    iInvoiceHiyuvLinesID    INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoicesID             INTEGER NOT NULL,
    iItemsID                INTEGER,
    vcItemDescription       VARCHAR(255),
    blnChargeVAT            BOOLEAN,
    iItemQty                DOUBLE,
    curUnitPrice            CURRENCY,
    curExtendedPrice        CURRENCY,
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    curLineVat              CURRENCY
);
CREATE INDEX ixInvoiceHiyuvLinesHeader ON InvoiceHiyuvLines (iInvoicesID);

CREATE TABLE InvoiceKabalaLines (
    iInvoiceKabalaLinesID   INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoicesID             INTEGER NOT NULL,
    iItemsID                INTEGER,
    vcItemDescription       VARCHAR(255),
    blnChargeVAT            BOOLEAN,
    iItemQty                DOUBLE,
    curUnitPrice            CURRENCY,
    curExtendedPrice        CURRENCY,
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    curLineVat              CURRENCY
);
CREATE INDEX ixInvoiceKabalaLinesHeader ON InvoiceKabalaLines (iInvoicesID);

CREATE TABLE InvoiceZikuiLines (
    iInvoiceZikuiLinesID    INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iInvoicesID             INTEGER NOT NULL,
    iItemsID                INTEGER,
    vcItemDescription       VARCHAR(255),
    blnChargeVAT            BOOLEAN,
    iItemQty                DOUBLE,
    curUnitPrice            CURRENCY,
    curExtendedPrice        CURRENCY,
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    curLineVat              CURRENCY
);
CREATE INDEX ixInvoiceZikuiLinesHeader ON InvoiceZikuiLines (iInvoicesID);

-- ---------------------------------------------------------------------------------------------
-- Receipts (UsysReceipts) and refunds (Refunds): one header column set. iInvoiceNumber holds the
-- numbers of the paid invoices as text.

CREATE TABLE UsysReceipts (
    iReceiptsID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iReceiptNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iInvoiceNumber          VARCHAR(255),
    curTotal                CURRENCY,
    curTax                  CURRENCY,
    curNetPmt               CURRENCY,
    vcDetails               VARCHAR(255),
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(50),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    vcCustomerOsekMorshe    VARCHAR(9),
    iTrxCodesID             INTEGER,
    UNIQUE (iBusinessID, iReceiptNumber)
);
CREATE INDEX ixUsysReceiptsCustomer ON UsysReceipts (iBusinessID, iCustomersID);

CREATE TABLE Refunds (
    iReceiptsID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iReceiptNumber          INTEGER NOT NULL,
    datxDate                DATETIME,
    iInvoiceNumber          VARCHAR(255),
    curTotal                CURRENCY,
    curTax                  CURRENCY,
    curNetPmt               CURRENCY,
    vcDetails               VARCHAR(255),
    iCustomersID            INTEGER,
    vcBusinessName          VARCHAR(50),
    vcAddress1              VARCHAR(255),
    vcAddress2              VARCHAR(255),
    vcCity                  VARCHAR(25),
    vcPostalCode            VARCHAR(25),
    vcContactDetails        VARCHAR(50),
    vcPhone1                VARCHAR(50),
    vcPhone2                VARCHAR(50),
    vcFax1                  VARCHAR(50),
    vcCurrencySymbol        VARCHAR(5),
    curRate                 CURRENCY,
    vcCustomerOsekMorshe    VARCHAR(9),
    iTrxCodesID             INTEGER,
    UNIQUE (iBusinessID, iReceiptNumber)
);
CREATE INDEX ixRefundsCustomer ON Refunds (iBusinessID, iCustomersID);

-- Payment lines of receipts, refunds and invoice-receipts. iReceiptsID is the key of the document
-- row (for invoice-receipts the iInvoicesID of InvoicesKabala). vcDetails1 cheque or card number,
-- vcDetails2 bank number, vcDetails3 branch, vcDetails4 cheque date.

CREATE TABLE ReceiptLines (
    iReceiptLinesID         INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iReceiptsID             INTEGER NOT NULL,
    iPaymentTypesID         INTEGER,
    vcAccountNumber         VARCHAR(50),
    vcDetails3              VARCHAR(50),
    vcDetails2              VARCHAR(50),
    vcDetails1              VARCHAR(50),
    vcDetails4              VARCHAR(50),
    curAmount               CURRENCY
);
CREATE INDEX ixReceiptLinesHeader ON ReceiptLines (iReceiptsID);

CREATE TABLE RefundLines (
    iRefundLinesID          INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iReceiptsID             INTEGER NOT NULL,
    iPaymentTypesID         INTEGER,
    vcAccountNumber         VARCHAR(50),
    vcDetails3              VARCHAR(50),
    vcDetails2              VARCHAR(50),
    vcDetails1              VARCHAR(50),
    vcDetails4              VARCHAR(50),
    curAmount               CURRENCY
);
CREATE INDEX ixRefundLinesHeader ON RefundLines (iReceiptsID);

CREATE TABLE InvoiceKabalaReceiptLines (
    iInvoiceKabalaReceiptLinesID INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iReceiptsID             INTEGER NOT NULL,
    iPaymentTypesID         INTEGER,
    vcAccountNumber         VARCHAR(50),
    vcDetails3              VARCHAR(50),
    vcDetails2              VARCHAR(50),
    vcDetails1              VARCHAR(50),
    vcDetails4              VARCHAR(50),
    curAmount               CURRENCY
);
CREATE INDEX ixInvoiceKabalaReceiptLinesHeader ON InvoiceKabalaReceiptLines (iReceiptsID);

-- The first number of each document kind per business, used while a business has no document of
-- that kind. A business without a row here starts at 1 (see the apiGetStartNumber queries).
CREATE TABLE DocumentStartNumbers (
    iBusinessID             INTEGER NOT NULL,
    vcDocumentKind          VARCHAR(25) NOT NULL CHECK (vcDocumentKind IN
                                ('Invoice', 'InvoiceHiyuv', 'InvoiceKabala', 'InvoiceZikui',
                                 'Receipt', 'Refund')),
    iStartNumber            INTEGER NOT NULL CHECK (iStartNumber > 0),
    PRIMARY KEY (iBusinessID, vcDocumentKind)
);

-- ---------------------------------------------------------------------------------------------
-- Reference data of a business

-- Transaction codes. iTrxCode 2 is the code of receipts and refunds; iPLCodesID 1 marks sales.
CREATE TABLE TrxCodes (
    iTrxCodesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iTrxCode                INTEGER,
    vcTrxCodeDescription    VARCHAR(50),
    iPLCodesID              INTEGER
);
CREATE INDEX ixTrxCodesCode ON TrxCodes (iBusinessID, iTrxCode);

-- Price lists.
CREATE TABLE Lists (
    iListsID                INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    iListNum                INTEGER,
    fltProfit               DOUBLE,                -- profit in percent
    vcComments              VARCHAR(255)
);
CREATE INDEX ixListsNumber ON Lists (iBusinessID, iListNum);

-- Catalogue items.
CREATE TABLE Items (
    iItemsID                INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    vcCatalogNumber         VARCHAR(25),
    vcItemDescription       VARCHAR(255),
    vcItemName              VARCHAR(50)
);
CREATE INDEX ixItemsBusiness ON Items (iBusinessID);

-- Named settings of a business (for example qryCustomerBalanceDate, dd/mm/yyyy).
CREATE TABLE sysSystemParameters (
    iSystemParametersID     INTEGER PRIMARY KEY AUTOINCREMENT,
    iBusinessID             INTEGER NOT NULL,
    vcParameterName         VARCHAR(50) NOT NULL,
    vcParameterValue        VARCHAR(255),
    UNIQUE (iBusinessID, vcParameterName)
);

-- Time spent for a customer; nvcAppointmentID is the caller's key of the appointment.
CREATE TABLE TimeBills (
    iTimeBillsID            INTEGER PRIMARY KEY AUTOINCREMENT,
    iCustomersID            INTEGER,
    datStart                DATETIME,
    datEnd                  DATETIME,
    fltHours                DOUBLE,
    curRate                 CURRENCY,              -- per hour, in vcCurrencySymbol
    vcCurrencySymbol        VARCHAR(5),
    nvcDescription          TEXT,
    nvcAppointmentID        TEXT,
    iInvoiceTypeLink        INTEGER,
    iInvoiceNumber          VARCHAR(50),           -- the invoice the time was billed on, as text
    iBusinessID             INTEGER NOT NULL
);
CREATE INDEX ixTimeBillsAppointment ON TimeBills (iBusinessID, nvcAppointmentID);
CREATE INDEX ixTimeBillsCustomer ON TimeBills (iBusinessID, iCustomersID);

-- ---------------------------------------------------------------------------------------------
-- Reference data shared by all businesses

-- Israeli bank codes as keys (10 Leumi, 12 Hapoalim, ...).
CREATE TABLE Banks (
    iBanksID                INTEGER PRIMARY KEY,
    vcBankName              VARCHAR(50)
);

CREATE TABLE Payment_types (
    iPaymentTypesID         INTEGER PRIMARY KEY AUTOINCREMENT,
    vcPaymentTypeName       VARCHAR(50)
);

-- Exchange rates to the shekel. vcCode is the currency's name as callers give it ("USD"),
-- vcCurrencySymbol the symbol that documents store ("$").
CREATE TABLE Currencies (
    iCurrenciesID           INTEGER PRIMARY KEY AUTOINCREMENT,
    vcCode                  VARCHAR(5) NOT NULL UNIQUE,
    vcCurrencySymbol        VARCHAR(5),
    vcCurrencyName          VARCHAR(50),
    curRate                 CURRENCY
);

-- VAT periods: a rate holds from its start date until the next period starts.
CREATE TABLE VATRates (
    iVATRatesID             INTEGER PRIMARY KEY AUTOINCREMENT,
    fltVATRate              DOUBLE NOT NULL,       -- in percent
    datStartDate            DATETIME NOT NULL UNIQUE
);
