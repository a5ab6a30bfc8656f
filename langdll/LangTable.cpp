// Texts of the keys the program looks up. To add a language, add a member to Language
// and a column here; to add a key, add a row. The source is UTF-8.
#include "langdll/LangTable.h"

#include <cwchar>

namespace vxlang {
namespace {

// key, English, Japanese, Spanish, French
const Entry kEntries[] = {
    {L"Tool Description",
     {L"This tool creates Windows 7 installation media (a USB drive or an ISO image) with added USB 3.0 and NVMe drivers.",
      L"このツールは、USB 3.0 および NVMe ドライバーを追加した Windows 7 のインストール メディア（USB ドライブまたは ISO イメージ）を作成します。",
      L"Esta herramienta crea un medio de instalación de Windows 7 (una unidad USB o una imagen ISO) con controladores USB 3.0 y NVMe añadidos.",
      L"Cet outil crée un support d'installation de Windows 7 (clé USB ou image ISO) auquel sont ajoutés des pilotes USB 3.0 et NVMe."}},
    {L"Please select", {L"Please select:", L"選択してください:", L"Seleccione:", L"Veuillez sélectionner :"}},
    {L"ODDToUSB",
     {L"Windows 7 DVD to USB drive", L"Windows 7 DVD から USB ドライブへ", L"DVD de Windows 7 a unidad USB",
      L"DVD de Windows 7 vers clé USB"}},
    {L"ODDToISO",
     {L"Windows 7 DVD to ISO image file", L"Windows 7 DVD から ISO イメージ ファイルへ",
      L"DVD de Windows 7 a archivo de imagen ISO", L"DVD de Windows 7 vers fichier image ISO"}},
    {L"Note", {L"Note:", L"注意:", L"Nota:", L"Remarque :"}},
    {L"USB Note",
     {L"The selected USB drive will be formatted and everything on it will be erased. Copy any files you need from it before you continue.",
      L"選択した USB ドライブはフォーマットされ、その中のデータはすべて消去されます。続行する前に、必要なファイルを別の場所にコピーしてください。",
      L"La unidad USB seleccionada se formateará y se borrará todo su contenido. Copie los archivos que necesite antes de continuar.",
      L"La clé USB sélectionnée sera formatée et tout son contenu sera effacé. Copiez les fichiers dont vous avez besoin avant de continuer."}},
    {L"Next", {L"Next", L"次へ", L"Siguiente", L"Suivant"}},
    {L"Back", {L"Back", L"戻る", L"Atrás", L"Précédent"}},
    {L"I agree", {L"I agree", L"同意する", L"Acepto", L"J'accepte"}},
    {L"Browse", {L"Browse...", L"参照...", L"Examinar...", L"Parcourir..."}},
    {L"Exit", {L"Exit", L"終了", L"Salir", L"Quitter"}},
    {L"Cancel", {L"Cancel", L"キャンセル", L"Cancelar", L"Annuler"}},
    {L"Step1", {L"Step 1", L"手順 1", L"Paso 1", L"Étape 1"}},
    {L"Step2", {L"Step 2", L"手順 2", L"Paso 2", L"Étape 2"}},
    {L"Step3", {L"Step 3", L"手順 3", L"Paso 3", L"Étape 3"}},
    {L"USB Step1 Note",
     {L"Insert the Windows 7 installation DVD into the optical drive, then select that drive.",
      L"Windows 7 のインストール DVD を光学ドライブに挿入し、そのドライブを選択してください。",
      L"Inserte el DVD de instalación de Windows 7 en la unidad óptica y seleccione esa unidad.",
      L"Insérez le DVD d'installation de Windows 7 dans le lecteur optique, puis sélectionnez ce lecteur."}},
    {L"USB Step1 Caption",
     {L"Select the Windows 7 installation DVD", L"Windows 7 インストール DVD の選択",
      L"Seleccione el DVD de instalación de Windows 7", L"Sélectionnez le DVD de Windows 7"}},
    {L"Please wait",
     {L"Please wait while the size of the DVD is measured...",
      L"DVD のサイズを計測しています。しばらくお待ちください...",
      L"Espere mientras se mide el tamaño del DVD...",
      L"Veuillez patienter pendant la mesure de la taille du DVD..."}},
    {L"USB Step2 Caption",
     {L"Select the target USB drive", L"書き込み先の USB ドライブの選択",
      L"Seleccione la unidad USB de destino", L"Sélectionnez la clé USB de destination"}},
    {L"USB Step2 Select Note",
     {L"USB drive to turn into Windows 7 installation media:",
      L"Windows 7 のインストール メディアにする USB ドライブ:",
      L"Unidad USB que se convertirá en medio de instalación de Windows 7:",
      L"Clé USB à transformer en support d'installation de Windows 7 :"}},
    {L"USB Step2 Insert Note",
     {L"No USB drive found. Please insert a USB drive.",
      L"USB ドライブが見つかりません。USB ドライブを挿入してください。",
      L"No se encontró ninguna unidad USB. Inserte una unidad USB.",
      L"Aucune clé USB trouvée. Veuillez insérer une clé USB."}},
    {L"Add NVMe",
     {L"Add NVMe support", L"NVMe サポートを追加", L"Añadir compatibilidad con NVMe",
      L"Ajouter la prise en charge NVMe"}},
    {L"NVMe Instruction",
     {L"Tick this to add the NVMe hotfixes, so that Windows 7 can be installed on an NVMe drive. The job then takes longer.",
      L"NVMe 用の修正プログラムを追加し、NVMe ドライブに Windows 7 をインストールできるようにします。処理時間が長くなります。",
      L"Márquelo para añadir las revisiones de NVMe y poder instalar Windows 7 en una unidad NVMe. El proceso tardará más.",
      L"Cochez cette case pour ajouter les correctifs NVMe et pouvoir installer Windows 7 sur un disque NVMe. L'opération sera plus longue."}},
    {L"Status", {L"Status:", L"状態:", L"Estado:", L"État :"}},
    // Headings stand right of the step number on one line: keep them short.
    {L"USB Step3 Caption",
     {L"Creating the Windows 7 USB installation drive", L"Windows 7 USB ドライブを作成中",
      L"Creando la unidad USB de Windows 7", L"Création de la clé USB Windows 7"}},
    {L"ISO Step3 Caption",
     {L"Creating the Windows 7 ISO image", L"Windows 7 の ISO イメージを作成しています",
      L"Creando la imagen ISO de Windows 7", L"Création de l'image ISO de Windows 7"}},
    {L"USB Step3 Note",
     {L"Do not remove the DVD or the USB drive, and do not turn off the computer, until the job has finished.",
      L"処理が完了するまで、DVD や USB ドライブを取り外したり、コンピューターの電源を切ったりしないでください。",
      L"No retire el DVD ni la unidad USB ni apague el equipo hasta que termine el proceso.",
      L"Ne retirez ni le DVD ni la clé USB et n'éteignez pas l'ordinateur avant la fin de l'opération."}},
    {L"ISO Step2 Note",
     {L"Select the folder where the ISO image file will be saved. It must be on an NTFS drive with enough free space.",
      L"ISO イメージ ファイルを保存するフォルダーを選択してください。空き容量が十分にある NTFS ドライブ上のフォルダーが必要です。",
      L"Seleccione la carpeta donde se guardará el archivo de imagen ISO. Debe estar en una unidad NTFS con suficiente espacio libre.",
      L"Sélectionnez le dossier où le fichier image ISO sera enregistré. Il doit se trouver sur un lecteur NTFS disposant d'assez d'espace libre."}},
    {L"ISO Step2 Caption",
     {L"Select the destination folder", L"保存先フォルダーの選択", L"Seleccione la carpeta de destino",
      L"Sélectionnez le dossier de destination"}},
    {L"Compatibility Mode",
     {L"Compatibility Mode", L"互換モード", L"Modo de compatibilidad", L"Mode de compatibilité"}},
    // Shown directly before the NVMe instruction, hence the closing blank.
    {L"Compatibility Instruction",
     {L"Compatibility Mode also adds the drivers to every Windows image in install.wim. ",
      L"互換モードでは、install.wim 内のすべての Windows イメージにもドライバーを追加します。",
      L"El modo de compatibilidad también añade los controladores a todas las imágenes de Windows de install.wim. ",
      L"Le mode de compatibilité ajoute aussi les pilotes à chaque image Windows de install.wim. "}},
    // Followed by a size in MB.
    {L"Capacity", {L"Capacity:", L"容量:", L"Capacidad:", L"Capacité :"}},
    // Stands before and after the size the job needs.
    {L"Space warning1",
     {L"Not enough free disk space. Required:", L"ディスクの空き容量が不足しています。必要な容量:",
      L"No hay suficiente espacio libre en disco. Necesario:", L"Espace disque insuffisant. Requis :"}},
    {L"Warning", {L"Warning", L"警告", L"Advertencia", L"Avertissement"}},
    {L"Error", {L"Error", L"エラー", L"Error", L"Erreur"}},
    // "Format warning1" <drive> "Format warning2"
    {L"Format warning1",
     {L"All data on", L"フォーマットすると", L"Todos los datos de", L"Toutes les données de"}},
    {L"Format warning2",
     {L"will be erased. Do you want to continue?", L"のデータはすべて消去されます。続行しますか？",
      L"se borrarán. ¿Desea continuar?", L"seront effacées. Voulez-vous continuer ?"}},
    {L"Format failure",
     {L"The USB drive could not be formatted. Do you want to delete all partitions of this disk, create a new one and format it?",
      L"USB ドライブをフォーマットできませんでした。このディスクのパーティションをすべて削除し、新しいパーティションを作成してフォーマットしますか？",
      L"No se pudo formatear la unidad USB. ¿Desea eliminar todas las particiones del disco, crear una nueva y formatearla?",
      L"Impossible de formater la clé USB. Voulez-vous supprimer toutes les partitions du disque, en créer une nouvelle et la formater ?"}},
    {L"Format confirm",
     {L"Every partition and all data on the whole USB disk will be lost. Are you sure you want to continue?",
      L"USB ディスク全体のすべてのパーティションとデータが失われます。続行してもよろしいですか？",
      L"Se perderán todas las particiones y todos los datos del disco USB. ¿Está seguro de que desea continuar?",
      L"Toutes les partitions et toutes les données du disque USB seront perdues. Voulez-vous vraiment continuer ?"}},
    {L"Still failed",
     {L"Formatting the USB drive failed again. Check the drive or try another USB drive.",
      L"USB ドライブのフォーマットに再度失敗しました。ドライブを確認するか、別の USB ドライブを使用してください。",
      L"Ha vuelto a fallar el formateo de la unidad USB. Compruebe la unidad o use otra unidad USB.",
      L"Le formatage de la clé USB a de nouveau échoué. Vérifiez la clé ou utilisez-en une autre."}},
    {L"SuccessMsg",
     {L"The installation media was created successfully. Do you want to exit? Click No to create another one.",
      L"インストール メディアが正常に作成されました。終了しますか？ 別のメディアを作成する場合は [いいえ] をクリックしてください。",
      L"El medio de instalación se creó correctamente. ¿Desea salir? Haga clic en No para crear otro.",
      L"Le support d'installation a été créé. Voulez-vous quitter ? Cliquez sur Non pour en créer un autre."}},
    {L"CancelMsg",
     {L"The job was cancelled. Do you want to exit? Click No to start again.",
      L"処理はキャンセルされました。終了しますか？ やり直す場合は [いいえ] をクリックしてください。",
      L"El proceso se canceló. ¿Desea salir? Haga clic en No para empezar de nuevo.",
      L"L'opération a été annulée. Voulez-vous quitter ? Cliquez sur Non pour recommencer."}},
    {L"Finish", {L"Finished", L"完了", L"Finalizado", L"Terminé"}},
    {L"Disk too small",
     {L"There is not enough free space on this drive. Select a folder on another drive.",
      L"このドライブには十分な空き容量がありません。別のドライブ上のフォルダーを選択してください。",
      L"No hay suficiente espacio libre en esta unidad. Seleccione una carpeta de otra unidad.",
      L"Espace libre insuffisant sur ce lecteur. Sélectionnez un dossier sur un autre lecteur."}},
    {L"Not NTFS",
     {L"The selected folder is not on an NTFS drive. Select a folder on an NTFS drive.",
      L"選択したフォルダーは NTFS ドライブ上にありません。NTFS ドライブ上のフォルダーを選択してください。",
      L"La carpeta seleccionada no está en una unidad NTFS. Seleccione una carpeta de una unidad NTFS.",
      L"Le dossier sélectionné n'est pas sur un lecteur NTFS. Sélectionnez un dossier sur un lecteur NTFS."}},
    // Followed by a line break and the path that does not fit.
    {L"Path too long",
     {L"This path is too long. Paths may hold at most 259 characters; choose a shorter folder or move the program to a shorter folder:",
      L"パスが長すぎます。パスは 259 文字以内にしてください。短いフォルダーを選択するか、プログラムを短いパスのフォルダーに移動してください:",
      L"Esta ruta es demasiado larga. Las rutas pueden tener 259 caracteres como máximo; elija una carpeta más corta o mueva el programa a una carpeta más corta:",
      L"Ce chemin est trop long. Un chemin compte au plus 259 caractères ; choisissez un dossier plus court ou déplacez le programme dans un dossier plus court :"}},
    {L"Format",
     {L"Formatting the USB drive...", L"USB ドライブをフォーマットしています...",
      L"Formateando la unidad USB...", L"Formatage de la clé USB..."}},
    {L"Format success",
     {L"The USB drive has been formatted.", L"USB ドライブのフォーマットが完了しました。",
      L"La unidad USB se ha formateado.", L"La clé USB a été formatée."}},
    {L"Copy OS",
     {L"Copying the Windows 7 files...", L"Windows 7 のファイルをコピーしています...",
      L"Copiando los archivos de Windows 7...", L"Copie des fichiers de Windows 7..."}},
    {L"Copy success",
     {L"Files copied.", L"ファイルのコピーが完了しました。", L"Archivos copiados.", L"Fichiers copiés."}},
    {L"Copy",
     {L"Copying files...", L"ファイルをコピーしています...", L"Copiando archivos...",
      L"Copie des fichiers..."}},
    {L"Mount",
     {L"Mounting the Windows image...", L"Windows イメージをマウントしています...",
      L"Montando la imagen de Windows...", L"Montage de l'image Windows..."}},
    {L"Mount success",
     {L"Windows image mounted.", L"Windows イメージをマウントしました。", L"Imagen de Windows montada.",
      L"Image Windows montée."}},
    {L"Adding driver",
     {L"Adding drivers and updates to the Windows image...",
      L"Windows イメージにドライバーと更新プログラムを追加しています...",
      L"Añadiendo controladores y actualizaciones a la imagen de Windows...",
      L"Ajout des pilotes et des mises à jour à l'image Windows..."}},
    {L"Commit",
     {L"Saving the changes to the Windows image...", L"Windows イメージへの変更を保存しています...",
      L"Guardando los cambios en la imagen de Windows...",
      L"Enregistrement des modifications de l'image Windows..."}},
    {L"Commit success",
     {L"Changes to the Windows image saved.", L"Windows イメージへの変更を保存しました。",
      L"Cambios de la imagen de Windows guardados.", L"Modifications de l'image Windows enregistrées."}},
    {L"UnMount",
     {L"Unmounting the Windows image...", L"Windows イメージのマウントを解除しています...",
      L"Desmontando la imagen de Windows...", L"Démontage de l'image Windows..."}},
    {L"Generating ISO",
     {L"Creating the ISO image file...", L"ISO イメージ ファイルを作成しています...",
      L"Creando el archivo de imagen ISO...", L"Création du fichier image ISO..."}},
    {L"CancelStatus",
     {L"Cancelling, please wait...", L"キャンセルしています。しばらくお待ちください...",
      L"Cancelando, espere...", L"Annulation en cours, veuillez patienter..."}},
    {L"Successfully updated",
     {L"The installation media was created successfully.", L"インストール メディアが正常に作成されました。",
      L"El medio de instalación se creó correctamente.",
      L"Le support d'installation a été créé avec succès."}},
    // Appended directly to the last status text.
    {L"Operation failed",
     {L" - The job failed.", L" - 処理に失敗しました。", L" - El proceso ha fallado.",
      L" - L'opération a échoué."}},
};

} // namespace

const Entry* Entries(size_t& count)
{
    count = sizeof(kEntries) / sizeof(kEntries[0]);
    return kEntries;
}

Language LanguageFromId(LANGID id)
{
    switch (PRIMARYLANGID(id)) {
    case LANG_JAPANESE:
        return Japanese;
    case LANG_SPANISH:
        return Spanish;
    case LANG_FRENCH:
        return French;
    default:
        return English;
    }
}

const wchar_t* LanguageName(Language language)
{
    switch (language) {
    case Japanese:
        return L"japanese";
    case Spanish:
        return L"spanish";
    case French:
        return L"french";
    default:
        return L"english";
    }
}

const wchar_t* FindText(const wchar_t* key, Language language)
{
    if (!key || language < 0 || language >= LanguageCount)
        return nullptr;
    for (const Entry& entry : kEntries) {
        if (std::wcscmp(entry.key, key) == 0)
            return entry.text[language];
    }
    return nullptr;
}

int CopyText(const wchar_t* text, wchar_t* buffer, int capacity)
{
    if (!text)
        text = L"";
    size_t length = std::wcslen(text);
    if (buffer && capacity > 0) {
        size_t copied =
            length < static_cast<size_t>(capacity - 1) ? length : static_cast<size_t>(capacity - 1);
        std::wmemcpy(buffer, text, copied);
        buffer[copied] = L'\0';
    }
    return length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
}

} // namespace vxlang
